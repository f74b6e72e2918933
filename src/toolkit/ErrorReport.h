#pragma once

#include "core/Error.h"
#include "toolkit/Prompter.h"

#include <exception>
#include <type_traits>
#include <utility>

// Runs one handler from the event loop. An error that escapes it ends the
// handler and is shown in a message box; the program (and its timers) go on.
// Exceptions never cross the event loop. Returns true when the handler ran
// to its end, so a caller that must answer Qt (a model's setData, an event
// filter) can answer "not done" after a reported error.
template <typename Handler>
bool guarded(Prompter &prompter, Handler &&handler)
{
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (const Error &e) {
        prompter.error(e.text());
    } catch (const std::exception &e) {
        prompter.error(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

// Wraps a slot (usually a lambda) so that connecting it to a signal keeps the
// guarantee above: connect(sender, &S::signal, context, guardedSlot(prompter, [..](args) {..})).
template <typename Slot>
auto guardedSlot(Prompter &prompter, Slot slot)
{
    return [&prompter, slot = std::move(slot)](auto &&...args) mutable {
        guarded(prompter, [&] { slot(std::forward<decltype(args)>(args)...); });
    };
}
