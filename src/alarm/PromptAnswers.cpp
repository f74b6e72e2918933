#include "alarm/PromptAnswers.h"

#include "alarm/RecurrenceRule.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "core/Logging.h"
#include "store/AnchorDays.h"
#include "store/DataModule.h"
#include "store/Query.h"
#include "store/UndoJournal.h"

using namespace Qt::StringLiterals;

QString DoneAction::whenText(DateTime when, DateTime now, const FormatSettings &formats)
{
    const QString time = formatDateTime(u"t"_s, when, formats);
    const qint64 days = when.dayNumber() - now.dayNumber();
    if (days == 0)
        return time;
    if (days > 0 && days < 7)
        return formatDateTime(u"ddd"_s, when, formats) + u" "_s + time;
    return dateText(when, formats) + u" "_s + time;
}

DoneAction DoneAction::of(const Clock &clock, const TaskSchedule &task, const FormatSettings &formats)
{
    DoneAction action;
    const bool recurs = RecurrenceRule::read(occurrenceKindFromWord(task.occurrence), task.frequency,
                                             task.validHours, task.validDays)
                            .moves();
    if (recurs) {
        action.next = task.nextOccurrence(clock);
        // A kind that recurs moves forward; one that cannot move is done for good.
        action.advances = action.next.due != task.due || action.next.alarm != task.alarm;
    }
    action.label = action.advances ? PromptAnswers::tr("Done \u2014 next %1")
                                         .arg(whenText(action.next.alarm, clock.now(), formats))
                                   : PromptAnswers::tr("Done");
    return action;
}

PromptAnswers::PromptAnswers(TDM &dm, AppState &state, const Clock &clock, QObject *parent)
    : QObject(parent), m_dm(dm), m_state(state), m_clock(clock)
{
}

std::optional<TaskSchedule> PromptAnswers::current(const PromptKey &key)
{
    Query row(m_dm.ADOConnection);
    row.setSql({u"select Occurrence, Frequency, ValidHours, ValidDays, DueDateTime, AlarmDateTime, SnoozeTime,"_s,
                u" Completed"_s, u"from Tasks"_s, u"where ID = :ID"_s});
    row.setParam(u"ID"_s, key.id);
    row.open();
    if (row.eof()) {
        qCDebug(lcAlarm) << "task" << key.id << "is gone; its prompt no longer stands";
        return std::nullopt;
    }
    if (row.fieldByName(u"Completed"_s).asBoolean()) {
        qCDebug(lcAlarm) << "task" << key.id << "is completed; its prompt no longer stands";
        return std::nullopt;
    }
    TaskSchedule task = TaskSchedule::fromRow(row);
    task.readAnchorDay(m_dm.ADOConnection, key.id);
    if (task.alarm != key.alarm) {
        qCDebug(lcAlarm) << "task" << key.id << "has another alarm; its prompt no longer stands";
        return std::nullopt;
    }
    return task;
}

bool PromptAnswers::done(const PromptKey &key)
{
    const std::optional<TaskSchedule> task = current(key);
    if (!task)
        return false;
    const DoneAction action = DoneAction::of(m_clock, *task, m_state.Formats);
    Connection &connection = m_dm.ADOConnection;
    int rows = 0;
    if (action.advances) {
        Query advance(connection);
        advance.setSql({u"update Tasks"_s, u"set DueDateTime = :DueDateTime, AlarmDateTime = :AlarmDateTime"_s,
                        u"where ID = :ID"_s});
        advance.setParam(u"DueDateTime"_s, action.next.due);
        advance.setParam(u"AlarmDateTime"_s, action.next.alarm);
        advance.setParam(u"ID"_s, key.id);
        connection.step(UndoJournal::taskLabel(connection, tr("Done %1"), key.id), [&] { rows = advance.execSql(); });
        qCDebug(lcAlarm) << "task" << key.id << "done: moved to its next occurrence";
    } else {
        // The grid's tick, with its own undo step.
        rows = m_dm.setTaskCompleted(key.id, true);
        qCDebug(lcAlarm) << "task" << key.id << "done: completed";
    }
    if (rows == 0)
        return false;
    changed();
    m_state.requestScan();
    emit taskDone(key.id);
    return true;
}

bool PromptAnswers::snooze(const PromptKey &key, qint64 minutes)
{
    if (!current(key))
        return false;
    Query update(m_dm.ADOConnection);
    update.setSql({u"update Tasks"_s, u"set AlarmDateTime = :AlarmDateTime"_s, u"where ID = :ID"_s});
    update.setParam(u"AlarmDateTime"_s, NextSnoozeTime(m_clock, minutes, m_clock.now()));
    update.setParam(u"ID"_s, key.id);
    int rows = 0;
    m_dm.ADOConnection.step(UndoJournal::taskLabel(m_dm.ADOConnection, tr("Snooze %1"), key.id),
                            [&] { rows = update.execSql(); });
    if (rows == 0)
        return false;
    qCDebug(lcAlarm) << "task" << key.id << "snoozed for" << minutes << "minutes";
    changed();
    return true;
}

void PromptAnswers::changed()
{
    // An open editor reads the task list again itself when it closes.
    if (!m_state.CurrentTaskEditor)
        m_dm.RequeryTaskList();
}
