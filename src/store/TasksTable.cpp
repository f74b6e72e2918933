#include "store/TasksTable.h"

namespace TasksTable {

const QList<FieldInfo> &fields()
{
    static const QList<FieldInfo> list = {
        {QStringLiteral("ID"), QString(), FieldType::Integer},
        {QStringLiteral("Task"), QString(), FieldType::Text},
        {QStringLiteral("TaskCreated"), QStringLiteral("Task Created"), FieldType::DateTime},
        {QStringLiteral("Category"), QString(), FieldType::Text},
        {QStringLiteral("Priority"), QString(), FieldType::Integer},
        {QStringLiteral("Occurrence"), QString(), FieldType::Text},
        {QStringLiteral("Frequency"), QString(), FieldType::Integer},
        {QStringLiteral("ValidHours"), QStringLiteral("Valid Hours"), FieldType::Text},
        {QStringLiteral("ValidDays"), QStringLiteral("Valid Days"), FieldType::Text},
        {QStringLiteral("DueDateTime"), QStringLiteral("Due Date Time"), FieldType::DateTime},
        {QStringLiteral("AlarmDateTime"), QStringLiteral("Alarm Date Time"), FieldType::DateTime},
        {QStringLiteral("Completed"), QString(), FieldType::Boolean},
        {QStringLiteral("Notes"), QString(), FieldType::Memo},
        {QStringLiteral("SnoozeTime"), QString(), FieldType::Integer},
        {QStringLiteral("AutoSnooze"), QStringLiteral("Auto Snooze"), FieldType::Boolean},
        {QStringLiteral("RepeatAutoSnooze"), QStringLiteral("Repeat Auto Snooze"), FieldType::Integer},
        {QStringLiteral("AutoSnoozeAction"), QStringLiteral("Auto Snooze Action"), FieldType::Integer},
        {QStringLiteral("PercentageComplete"), QStringLiteral("% Complete"), FieldType::Integer},
        {QStringLiteral("CompletedDate"), QStringLiteral("Completed Date"), FieldType::DateTime},
    };
    return list;
}

const FieldInfo *find(const QString &name)
{
    for (const FieldInfo &f : fields())
        if (f.name.compare(name, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

QStringList schemaStatements()
{
    // Sizes and the ranges of the column types are enforced by the engine,
    // so an oversized value is refused instead of being cut, and a fraction
    // in a whole-number column is refused instead of being kept.
    return QStringList{
        QStringLiteral(
            "create table Tasks (\n"
            "  ID integer primary key autoincrement,\n"
            "  Task text check (length(Task) <= 255),\n"
            "  TaskCreated real,\n"
            "  Category text check (length(Category) <= 20),\n"
            "  Priority integer check (Priority = cast(Priority as integer) and Priority between 0 and 255),\n"
            "  Occurrence text check (length(Occurrence) <= 9),\n"
            "  Frequency integer check (Frequency = cast(Frequency as integer) and Frequency between -2147483648 and 2147483647),\n"
            "  ValidHours text check (length(ValidHours) <= 5),\n"
            "  ValidDays text check (length(ValidDays) <= 7),\n"
            "  DueDateTime real,\n"
            "  AlarmDateTime real,\n"
            "  Completed integer default 0 check (Completed in (0, 1)),\n"
            "  Notes text,\n"
            "  SnoozeTime integer check (SnoozeTime = cast(SnoozeTime as integer) and SnoozeTime between -2147483648 and 2147483647),\n"
            "  AutoSnooze integer default 0 check (AutoSnooze in (0, 1)),\n"
            "  RepeatAutoSnooze integer check (RepeatAutoSnooze = cast(RepeatAutoSnooze as integer) and RepeatAutoSnooze between -2147483648 and 2147483647),\n"
            "  AutoSnoozeAction integer check (AutoSnoozeAction = cast(AutoSnoozeAction as integer) and AutoSnoozeAction between -2147483648 and 2147483647),\n"
            "  PercentageComplete integer check (PercentageComplete = cast(PercentageComplete as integer) and PercentageComplete between -32768 and 32767),\n"
            "  CompletedDate real\n"
            ")"),
    } + indexStatements();
}

QStringList indexStatements()
{
    return {
        // Open (or completed) tasks in alarm order. The ID comes before the
        // task's text, so rows that share an alarm time follow their IDs, as
        // in an index of the first two columns alone; the text rides along so
        // a list of open tasks in text order reads it here instead of looking
        // up every row in the table. It replaces an index without the text.
        QStringLiteral("create index if not exists TasksByStateAlarm on Tasks (Completed, AlarmDateTime, ID, Task)"),
        QStringLiteral("drop index if exists TasksOpenByAlarm"),
        // The alarm scan asks for open tasks whose alarm has come, in alarm
        // order, leaving out the kinds that never ring. This index holds only
        // the rows that can ring, so a pass with nothing due reads none of the
        // many open to-do rows with past alarms. Its condition repeats the
        // scan's terms word for word: the engine uses a partial index only
        // when the query's terms contain it. Completed leads the columns so
        // the engine prefers it over the index above.
        QStringLiteral("create index if not exists TasksDueByAlarm on Tasks (Completed, AlarmDateTime) "
                       "where Completed = False and Occurrence <> 'Immediate' and Occurrence <> 'Todo'"),
        // The view panel's value lists group the tasks by one of these
        // columns, of all tasks or of the open or completed ones only.
        QStringLiteral("create index if not exists TasksByPriority on Tasks (Priority, Completed)"),
        QStringLiteral("create index if not exists TasksByOccurrence on Tasks (Occurrence, Completed)"),
        QStringLiteral("create index if not exists TasksByCategory on Tasks (Category, Completed)"),
    };
}

} // namespace TasksTable
