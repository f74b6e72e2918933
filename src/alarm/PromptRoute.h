#pragma once

#include <QSet>
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
// scan leaves a task alone while a prompt shown this way for it is open, as
// it does for the popup's windows, and prompts the others as they come due.
class PromptRoute
{
public:
    virtual ~PromptRoute() = default;
    // Prompts shown this way and not yet closed or answered.
    virtual int openCount() const = 0;
    // The tasks whose prompts shown this way are not yet closed or answered.
    virtual QSet<qint64> openTaskIds() const = 0;
    // True while this way cannot yet tell whether it takes prompts; the
    // scan waits meanwhile rather than prompt where it should not.
    virtual bool deciding() const { return false; }
    // Shows the prompt; false when this way cannot show it now, and the
    // popup shows it instead.
    virtual bool prompt(const DuePrompt &prompt) = 0;
};
