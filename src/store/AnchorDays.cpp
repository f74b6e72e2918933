#include "store/AnchorDays.h"

#include "store/Connection.h"
#include "store/Statement.h"

using namespace Qt::StringLiterals;

namespace anchordays {

QStringList schemaStatements()
{
    // The stored date-times count days from 1899-12-30, which is Julian day
    // 2415018.5; its day of the month and the length of its month are read
    // through the engine's date functions.
    const QString julian = u"new.DueDateTime + 2415018.5"_s;
    const QString day = u"cast(strftime('%d', %1) as integer)"_s.arg(julian);
    const QString monthLength = u"cast(strftime('%d', %1, 'start of month', '+1 month', '-1 day') as integer)"_s.arg(julian);
    return {
        u"create table if not exists TaskAnchorDays (\n"
        "  TaskID integer primary key,\n"
        "  Day integer not null check (Day between 1 and 31))"_s,
        u"create trigger if not exists TaskAnchorDaysGoWithTask after delete on Tasks begin "
        "delete from TaskAnchorDays where TaskID = old.ID; end"_s,
        u"create trigger if not exists TaskAnchorDaysFollowKind after update of Occurrence on Tasks "
        "when new.Occurrence is null or new.Occurrence not in ('Monthly', 'Months', 'Yearly', 'Years') begin "
        "delete from TaskAnchorDays where TaskID = new.ID; end"_s,
        u"create trigger if not exists TaskAnchorDaysFollowDue after update of DueDateTime on Tasks begin "
        "delete from TaskAnchorDays where TaskID = new.ID and (new.DueDateTime is null or not (Day = %1 or "
        "(Day > %1 and %1 = %2))); end"_s.arg(day, monthLength),
    };
}

bool present(Connection &connection)
{
    Statement s(connection.handle(),
                u"select count(*) from sqlite_master where type = 'table' and name = 'TaskAnchorDays'"_s);
    return s.step() && s.value(0).toInt() == 1;
}

int read(Connection &connection, qint64 taskId)
{
    if (!present(connection))
        return 0;
    Statement s(connection.handle(), u"select Day from TaskAnchorDays where TaskID = ?"_s);
    s.bind(taskId);
    return s.step() ? s.value(0).toInt() : 0;
}

void write(Connection &connection, qint64 taskId, int day)
{
    if (!present(connection))
        return;
    if (day < 1 || day > 31) {
        Statement drop(connection.handle(), u"delete from TaskAnchorDays where TaskID = ?"_s);
        drop.bind(taskId);
        drop.execute();
        return;
    }
    // An update when the row is there (so the journal sees one change), an
    // insert otherwise.
    Statement update(connection.handle(), u"update TaskAnchorDays set Day = ? where TaskID = ?"_s);
    update.bind(day);
    update.bind(taskId);
    if (update.execute() > 0)
        return;
    Statement insert(connection.handle(), u"insert into TaskAnchorDays (TaskID, Day) values (?, ?)"_s);
    insert.bind(taskId);
    insert.bind(day);
    insert.execute();
}

} // namespace anchordays
