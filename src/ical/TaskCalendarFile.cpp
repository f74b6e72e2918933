#include "ical/TaskCalendarFile.h"

#include "alarm/RecurrenceRule.h"
#include "core/CheckedSaveFile.h"
#include "core/Error.h"
#include "core/ModuleLoader.h"
#include "ical/CalendarModule.h"
#include "store/AnchorDays.h"
#include "store/Connection.h"
#include "store/Statement.h"
#include "store/TasksTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>

using namespace Qt::StringLiterals;

namespace ical {
namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ical", text);
}

void ensureUidTable(Connection &db)
{
    Statement(db.handle(), u"create table if not exists TaskUids (TaskID integer primary key, UID text not null unique)"_s)
        .execute();
}

// The columns of Tasks that travel, in the table's order (ID stays home).
QStringList travellingColumns()
{
    QStringList names;
    for (const FieldInfo &f : TasksTable::fields())
        if (f.name != u"ID"_s)
            names << f.name;
    return names;
}

// libical's reader or writer, from the iCalendar module; loaded before the
// database is touched, so a module that is missing changes nothing.
template <typename Function>
Function *calendarFunction(const char *symbol)
{
    try {
        return ModuleLoader().resolve<Function>(u"ical"_s, symbol);
    } catch (const Error &e) {
        throw Error(tr("iCalendar files are not available: %1").arg(e.text()));
    }
}

} // namespace

void exportTasks(Connection &db, const QList<qint64> &ids, const QString &file, const QTimeZone &zone)
{
    auto *writeCalendar = calendarFunction<WriteCalendarFunction>(WriteCalendarSymbol);
    const QStringList columns = travellingColumns();
    QList<Todo> todos;
    db.transaction([&] {
        ensureUidTable(db);
        // Each task with its UID, where it has one already.
        Statement read(db.handle(), u"select Tasks.ID, TaskUids.UID, %1 from Tasks"
                                    " left join TaskUids on TaskUids.TaskID = Tasks.ID order by Tasks.ID"_s
                                        .arg(columns.join(u", "_s)));
        Statement addUid(db.handle(), u"insert into TaskUids (TaskID, UID) values (?, ?)"_s);
        const QSet<qint64> wanted(ids.cbegin(), ids.cend());
        while (read.step()) {
            const qint64 id = read.value(0).toLongLong();
            if (!wanted.isEmpty() && !wanted.contains(id))
                continue;
            Todo todo;
            for (int i = 0; i < columns.size(); ++i)
                todo.fields.insert(columns[i], read.value(i + 2));
            const OccurrenceKind kind = occurrenceKindFromWord(todo.fields.value(u"Occurrence"_s).toString());
            if (const int day = keepsAnchorDay(kind) ? anchordays::read(db, id) : 0; day > 0)
                todo.fields.insert(u"AnchorDay"_s, day);
            todo.uid = read.value(1).toString();
            if (todo.uid.isEmpty()) {
                todo.uid = newUid();
                addUid.reset();
                addUid.bind(id);
                addUid.bind(todo.uid);
                addUid.execute();
            }
            todos << todo;
        }
    });
    if (const QString failure = saveFileContents(file, writeCalendar(todos, zone)); !failure.isEmpty())
        throw Error(tr("\"%1\" cannot be written: %2").arg(QDir::toNativeSeparators(file), failure));
}

ImportSummary importTasks(Connection &db, const QString &file, const QTimeZone &zone, double created,
                          const QString &undoLabel)
{
    auto *readCalendar = calendarFunction<ReadCalendarFunction>(ReadCalendarSymbol);
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw Error(tr("\"%1\" cannot be read: %2").arg(QDir::toNativeSeparators(file), in.errorString()));
    const QList<Todo> todos = readCalendar(in.readAll(), zone);

    ImportSummary summary;
    db.step(undoLabel, [&] {
        ensureUidTable(db);
        for (const Todo &todo : todos) {
            // One occurrence of a repeating to-do, kept beside its series by
            // some programs, is not a task of its own.
            if (todo.recurrenceId.isValid())
                continue;
            QVariantMap fields = todo.fields;
            if (!fields.contains(u"TaskCreated"_s))
                fields[u"TaskCreated"_s] = created;
            const int anchorDay = fields.take(u"AnchorDay"_s).toInt();
            const QStringList names = fields.keys();
            qint64 id = -1;
            if (!todo.uid.isEmpty()) {
                Statement find(db.handle(),
                               u"select TaskID from TaskUids join Tasks on Tasks.ID = TaskUids.TaskID where UID = ?"_s);
                find.bind(todo.uid);
                if (find.step())
                    id = find.value(0).toLongLong();
            }
            try {
                if (id >= 0) {
                    QStringList sets;
                    for (const QString &n : names)
                        sets << n + u" = ?"_s;
                    Statement update(db.handle(), u"update Tasks set %1 where ID = ?"_s.arg(sets.join(u", "_s)));
                    for (const QString &n : names)
                        update.bind(fields.value(n));
                    update.bind(id);
                    update.execute();
                    ++summary.updated;
                } else {
                    Statement insert(db.handle(), u"insert into Tasks (%1) values (%2)"_s
                                                      .arg(names.join(u", "_s),
                                                           QStringList(names.size(), u"?"_s).join(u", "_s)));
                    for (const QString &n : names)
                        insert.bind(fields.value(n));
                    insert.execute();
                    id = insert.lastInsertId();
                    ++summary.added;
                    if (!todo.uid.isEmpty()) {
                        Statement link(db.handle(), u"insert or replace into TaskUids (TaskID, UID) values (?, ?)"_s);
                        link.bind(id);
                        link.bind(todo.uid);
                        link.execute();
                    }
                }
            } catch (const Error &e) {
                throw Error(tr("The task \"%1\" cannot be stored: %2\n\nNothing was imported.")
                                .arg(fields.value(u"Task"_s).toString(), e.text()));
            }
            if (anchorDay > 0)
                anchordays::write(db, id, anchorDay);
            for (const QString &w : todo.warnings)
                summary.warnings << fields.value(u"Task"_s).toString() + u": "_s + w;
        }
    });
    return summary;
}

} // namespace ical
