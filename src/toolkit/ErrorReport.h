#pragma once

#include "core/Error.h"
#include "toolkit/Prompter.h"

#include <exception>
#include <utility>

// Runs one handler from the event loop. An error that escapes it ends the
// handler and is shown in a message box; the program (and its timers) go on.
// Exceptions never cross the event loop.
template <typename Handler>
void guarded(Prompter &prompter, Handler &&handler)
{
    try {
        std::forward<Handler>(handler)();
    } catch (const Error &e) {
        prompter.error(e.text());
    } catch (const std::exception &e) {
        prompter.error(QString::fromLocal8Bit(e.what()));
    }
}
