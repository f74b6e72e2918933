#pragma once

#include "alarm/Recurrence.h"
#include "core/DateFormat.h"
#include "core/DateTime.h"

#include <QObject>
#include <QString>

#include <optional>

class Clock;
class Query;
class TDM;
struct AppState;

// The stored fields of a task that say when it is due, how it repeats and
// how long it snoozes.
struct TaskSchedule
{
    QString occurrence;
    int frequency = 1;
    QString validHours;
    QString validDays;
    DateTime due;
    DateTime alarm;
    qint64 snoozeTime = 0;

    // From the current row of a result set that holds the Tasks columns.
    static TaskSchedule fromRow(const Query &row);
    // Due and alarm moved to the next occurrence as Apply Occurrence moves
    // them (AdvanceOccurrence); both unchanged when the kind does not recur.
    DueAndAlarm nextOccurrence(const Clock &clock) const;
};

// What "Done" on a prompt does for one task: a repeating task finishes this
// occurrence and moves on to the next, as Apply Occurrence moves it; any
// other task is completed, as the grid's tick completes it.
struct DoneAction
{
    bool advances = false; // moves to `next` instead of being completed
    DueAndAlarm next;      // where it moves (when it advances)
    QString label;         // "Done", or "Done — next Fri 09:00"

    static DoneAction of(const Clock &clock, const TaskSchedule &task, const FormatSettings &formats);
    // "Fri 09:00": a time today alone, a weekday within the next six days,
    // else the short date; the time in the short time pattern.
    static QString whenText(DateTime when, DateTime now, const FormatSettings &formats);
};

// The answers to a prompt that change its task, without any window. Each
// change is one undo step.
class PromptAnswers : public QObject
{
    Q_OBJECT
public:
    PromptAnswers(TDM &dm, AppState &state, const Clock &clock, QObject *parent = nullptr);

    // The task while it is there and open; none otherwise.
    std::optional<TaskSchedule> openTask(qint64 id);

    // Done: completes the task or moves it to its next occurrence (see
    // DoneAction). False when the task is gone or already completed.
    bool done(qint64 id);

signals:
    // A task was completed or moved to its next occurrence by Done.
    void taskDone(qint64 id);

private:
    void changed();

    TDM &m_dm;
    AppState &m_state;
    const Clock &m_clock;
};
