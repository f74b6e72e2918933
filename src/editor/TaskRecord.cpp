#include "editor/TaskRecord.h"

#include "core/Error.h"
#include "store/AnchorDays.h"
#include "store/DataModule.h"
#include "store/Query.h"

using namespace Qt::StringLiterals;

namespace {
const QString CompletedPrefix = u"Task completed on "_s;
}

QString toStoredText(const QString &plain)
{
    QString text = plain;
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(QLatin1Char('\n'), u"\r\n"_s);
    return text;
}

QString fromStoredText(const QString &stored)
{
    QString text = stored;
    text.replace(u"\r\n"_s, u"\n"_s);
    return text;
}

int storedLength(const QString &plain)
{
    return int(plain.size() + plain.count(QLatin1Char('\n')));
}

std::optional<int> parseSnoozeMinutes(const QString &text)
{
    bool ok = false;
    const int minutes = text.trimmed().toInt(&ok);
    if (!ok || minutes < 0 || minutes > MaxSnoozeMinutes)
        return std::nullopt;
    return minutes;
}

QString completedPanelText(DateTime when, const FormatSettings &formats)
{
    return CompletedPrefix + dateTimeText(when, formats);
}

std::optional<DateTime> completedDateToStore(bool completed, const QString &panelText, const FormatSettings &formats,
                                             DateTime now)
{
    if (completed && panelText.trimmed().isEmpty())
        return now;
    const QString shown = panelText.mid(CompletedPrefix.size(), 100).trimmed();
    if (shown.isEmpty())
        return std::nullopt;
    return parseDateTime(shown, formats);
}

TaskTimes TaskTimes::of(const TaskValues &v)
{
    return {v.completed, v.percentageComplete, v.completedDate, v.due, v.alarm};
}

TaskTimes TaskTimes::fromRow(const Query &row)
{
    TaskTimes t;
    t.completed = row.fieldByName(u"Completed"_s).asBoolean();
    t.percentageComplete = int(row.fieldByName(u"PercentageComplete"_s).asInteger());
    if (!row.fieldByName(u"CompletedDate"_s).isNull())
        t.completedDate = row.fieldByName(u"CompletedDate"_s).asDateTime();
    t.due = row.fieldByName(u"DueDateTime"_s).asDateTime();
    t.alarm = row.fieldByName(u"AlarmDateTime"_s).asDateTime();
    return t;
}

std::optional<TaskTimes> TaskTimes::read(Connection &connection, qint64 id)
{
    Query row(connection);
    row.setSql({u"select Completed, PercentageComplete, CompletedDate, DueDateTime, AlarmDateTime"_s,
                u"from Tasks"_s, u"where ID = :ID"_s});
    row.setParam(u"ID"_s, id);
    row.open();
    if (row.eof())
        return std::nullopt;
    return fromRow(row);
}

TaskValues withStoredTimes(TaskValues values, const TaskTimes &shown, const TaskTimes &loaded,
                           const TaskTimes &stored)
{
    const bool completionChanged = stored.completed != loaded.completed
        || stored.percentageComplete != loaded.percentageComplete || stored.completedDate != loaded.completedDate;
    const bool completionKept =
        values.completed == shown.completed && values.percentageComplete == shown.percentageComplete;
    if (completionChanged && completionKept) {
        values.completed = stored.completed;
        values.percentageComplete = stored.percentageComplete;
        values.completedDate = stored.completedDate;
    }
    if (stored.due != loaded.due && values.due == shown.due)
        values.due = stored.due;
    if (stored.alarm != loaded.alarm && values.alarm == shown.alarm)
        values.alarm = stored.alarm;
    return values;
}

void prepareTaskUpdate(Query &update, int id, const TaskValues &v)
{
    update.clearSql();
    update.clearParams();
    for (const char *line : {"update Tasks", "set", "Task = :Task,", "Category = :Category,", "Priority = :Priority,",
                             "Occurrence = :Occurrence,", "Frequency = :Frequency,", "ValidHours = :ValidHours,",
                             "ValidDays = :ValidDays,", "DueDateTime = :DueDateTime,",
                             "AlarmDateTime = :AlarmDateTime,", "Completed = :Completed,",
                             "PercentageComplete = :PercentageComplete,"})
        update.addLine(QString::fromLatin1(line));
    update.addLine(v.completedDate ? u"CompletedDate = :CompletedDate,"_s : u"CompletedDate = null,"_s);
    for (const char *line : {"Notes = :Notes,", "SnoozeTime = :SnoozeTime,", "AutoSnooze = :AutoSnooze,",
                             "RepeatAutoSnooze = :RepeatAutoSnooze,", "AutoSnoozeAction = :AutoSnoozeAction",
                             "where ID = :ID"})
        update.addLine(QString::fromLatin1(line));

    update.setParam(u"ID"_s, id);
    update.setParam(u"Task"_s, toStoredText(v.task));
    update.setParam(u"Category"_s, v.category);
    update.setParam(u"Priority"_s, QString::number(v.priority));
    update.setParam(u"Occurrence"_s, v.occurrence);
    update.setParam(u"Frequency"_s, v.frequency);
    update.setParam(u"ValidHours"_s, v.validHours);
    update.setParam(u"ValidDays"_s, v.validDays);
    update.setParam(u"DueDateTime"_s, v.due);
    update.setParam(u"AlarmDateTime"_s, v.alarm);
    update.setParam(u"Completed"_s, v.completed);
    update.setParam(u"PercentageComplete"_s, v.percentageComplete);
    if (v.completedDate)
        update.setParam(u"CompletedDate"_s, *v.completedDate);
    update.setParam(u"Notes"_s, toStoredText(v.notes));
    update.setParam(u"SnoozeTime"_s, QString::number(v.snoozeTime));
    update.setParam(u"AutoSnooze"_s, v.autoSnooze);
    update.setParam(u"RepeatAutoSnooze"_s, v.repeatAutoSnooze);
    if (v.autoSnoozeAction)
        update.setParam(u"AutoSnoozeAction"_s, *v.autoSnoozeAction);
    else
        update.setNullParam(u"AutoSnoozeAction"_s);
}

int appendTask(Query &taskList, const TaskValues &v, DateTime created)
{
    taskList.append();
    try {
        taskList.setFieldValue(u"TaskCreated"_s, created.toDouble());
        taskList.setFieldValue(u"Task"_s, toStoredText(v.task));
        taskList.setFieldValue(u"Category"_s, v.category);
        taskList.setFieldValue(u"Priority"_s, v.priority);
        taskList.setFieldValue(u"Occurrence"_s, v.occurrence);
        taskList.setFieldValue(u"Frequency"_s, v.frequency);
        taskList.setFieldValue(u"ValidHours"_s, v.validHours);
        taskList.setFieldValue(u"ValidDays"_s, v.validDays);
        taskList.setFieldValue(u"DueDateTime"_s, v.due.toDouble());
        taskList.setFieldValue(u"AlarmDateTime"_s, v.alarm.toDouble());
        taskList.setFieldValue(u"Completed"_s, v.completed);
        taskList.setFieldValue(u"Notes"_s, toStoredText(v.notes));
        taskList.setFieldValue(u"SnoozeTime"_s, v.snoozeTime);
        taskList.setFieldValue(u"AutoSnooze"_s, v.autoSnooze);
        taskList.setFieldValue(u"RepeatAutoSnooze"_s, v.repeatAutoSnooze);
        taskList.setFieldValue(u"AutoSnoozeAction"_s, v.autoSnoozeAction ? QVariant(*v.autoSnoozeAction) : QVariant());
        // A copy of a task keeps its progress and completion moment.
        taskList.setFieldValue(u"PercentageComplete"_s, v.percentageComplete);
        taskList.setFieldValue(u"CompletedDate"_s,
                               v.completedDate ? QVariant(v.completedDate->toDouble()) : QVariant());
        taskList.post();
    } catch (...) {
        taskList.cancel();
        throw;
    }
    return int(taskList.fieldByName(u"ID"_s).asInteger());
}

int saveNewTask(TDM &dm, const TaskValues &values, DateTime created, const QString &undoLabel)
{
    if (!dm.qTasks.isOpen())
        dm.RequeryTaskList();
    int id = 0;
    dm.ADOConnection.step(undoLabel, [&] {
        id = appendTask(dm.qTasks, values, created);
        anchordays::write(dm.ADOConnection, id, values.anchorDay);
    });
    dm.RequeryTaskList();
    return id;
}
