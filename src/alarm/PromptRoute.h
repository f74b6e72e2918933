#pragma once

#include "core/DateTime.h"

#include <QString>
#include <QtGlobal>

// One task the alarm scan prompts, as its notification shows it.
struct DuePrompt
{
    qint64 id = 0;
    QString title;
    QString text;
    qint64 snoozeTime = 0; // the task's SnoozeTime as stored
    DateTime alarm;        // the task's AlarmDateTime as stored when prompted
    QString doneLabel;     // what Done does ("Done", "Done — next Fri 09:00")
};

// Another way to show the scan's prompts than the program's own popup. The
// scan waits while any prompt shown this way is open, as it does for the
// popup's windows.
class PromptRoute
{
public:
    virtual ~PromptRoute() = default;
    // Prompts shown this way and not yet closed or answered.
    virtual int openCount() const = 0;
    // Shows the prompt; false when this way cannot show it now, and the
    // popup shows it instead.
    virtual bool prompt(const DuePrompt &prompt) = 0;
};
