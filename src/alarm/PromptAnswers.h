#pragma once

#include "alarm/Recurrence.h"
#include "alarm/TaskSchedule.h"
#include "core/DateFormat.h"
#include "core/DateTime.h"

#include <QMetaType>
#include <QObject>
#include <QString>

#include <optional>

class Clock;
class Query;
class TDM;
struct AppState;

// The task a prompt showed and its alarm time as stored when it was shown:
// a popup, a desktop notification or a row of the missed-alarms list.
struct PromptKey
{
    qint64 id = 0;
    DateTime alarm;
    friend bool operator==(const PromptKey &, const PromptKey &) = default;
};
Q_DECLARE_METATYPE(PromptKey)

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

// The answers to a prompt that change its task, without any window: the
// guard that says whether a prompt still stands, Done and the snooze. Each
// change is one undo step, and acts only while the prompt still stands: the
// task exists, is open and still has the alarm the prompt showed. Otherwise
// nothing changes and nothing is said.
class PromptAnswers : public QObject
{
    Q_OBJECT
public:
    PromptAnswers(TDM &dm, AppState &state, const Clock &clock, QObject *parent = nullptr);

    // The guard: the task of the prompt while the prompt still stands; none
    // when the task is gone, completed or has another alarm.
    std::optional<TaskSchedule> current(const PromptKey &key);
    bool stillCurrent(const PromptKey &key) { return current(key).has_value(); }

    // Done: completes the task or moves it to its next occurrence (see
    // DoneAction). False when the prompt no longer stands.
    bool done(const PromptKey &key);
    // Moves the task's alarm to the given minutes from now. False when the
    // prompt no longer stands.
    bool snooze(const PromptKey &key, qint64 minutes);

signals:
    // A task was completed or moved to its next occurrence by Done.
    void taskDone(qint64 id);

private:
    void changed();

    TDM &m_dm;
    AppState &m_state;
    const Clock &m_clock;
};
