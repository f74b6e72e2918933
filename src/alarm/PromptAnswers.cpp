#include "alarm/PromptAnswers.h"

#include "alarm/RecurrenceRule.h"
#include "core/AppState.h"
#include "core/Clock.h"
#include "core/Logging.h"
#include "store/DataModule.h"
#include "store/Query.h"
#include "store/UndoJournal.h"

using namespace Qt::StringLiterals;

TaskSchedule TaskSchedule::fromRow(const Query &row)
{
    TaskSchedule s;
    s.occurrence = row.fieldByName(u"Occurrence"_s).asString();
    s.frequency = int(row.fieldByName(u"Frequency"_s).asInteger());
    s.validHours = row.fieldByName(u"ValidHours"_s).asString();
    s.validDays = row.fieldByName(u"ValidDays"_s).asString();
    s.due = row.fieldByName(u"DueDateTime"_s).asDateTime();
    s.alarm = row.fieldByName(u"AlarmDateTime"_s).asDateTime();
    s.snoozeTime = row.fieldByName(u"SnoozeTime"_s).asInteger();
    return s;
}

DueAndAlarm TaskSchedule::nextOccurrence(const Clock &clock) const
{
    return AdvanceOccurrence(clock, due, alarm, occurrence, frequency, validHours, validDays);
}

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

std::optional<TaskSchedule> PromptAnswers::openTask(qint64 id)
{
    Query row(m_dm.ADOConnection);
    row.setSql({u"select Occurrence, Frequency, ValidHours, ValidDays, DueDateTime, AlarmDateTime, SnoozeTime,"_s,
                u" Completed"_s, u"from Tasks"_s, u"where ID = :ID"_s});
    row.setParam(u"ID"_s, id);
    row.open();
    if (row.eof() || row.fieldByName(u"Completed"_s).asBoolean())
        return std::nullopt;
    return TaskSchedule::fromRow(row);
}

bool PromptAnswers::done(qint64 id)
{
    const std::optional<TaskSchedule> task = openTask(id);
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
        advance.setParam(u"ID"_s, id);
        connection.step(UndoJournal::taskLabel(connection, tr("Done %1"), id), [&] { rows = advance.execSql(); });
        qCDebug(lcAlarm) << "task" << id << "done: moved to its next occurrence";
    } else {
        // The grid's tick, with its own undo step.
        rows = m_dm.setTaskCompleted(id, true);
        qCDebug(lcAlarm) << "task" << id << "done: completed";
    }
    if (rows == 0)
        return false;
    changed();
    m_state.requestScan();
    emit taskDone(id);
    return true;
}

void PromptAnswers::changed()
{
    // An open editor reads the task list again itself when it closes.
    if (!m_state.CurrentTaskEditor)
        m_dm.RequeryTaskList();
}
