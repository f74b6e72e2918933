#include "store/UndoJournal.h"

#include "core/Error.h"
#include "core/Logging.h"
#include "store/Connection.h"
#include "store/Statement.h"
#include "store/TasksTable.h"

#include <QSet>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

void run(sqlite3 *db, const QString &sql)
{
    Statement(db, sql).execute();
}

QVariant single(sqlite3 *db, const QString &sql, const QVariantList &values = {})
{
    Statement s(db, sql);
    for (const QVariant &v : values)
        s.bind(v);
    return s.step() ? s.value(0) : QVariant();
}

QStringList columns()
{
    QStringList names;
    for (const FieldInfo &f : TasksTable::fields())
        names << f.name;
    return names;
}

bool hasTable(sqlite3 *db, const QString &name)
{
    return single(db, u"select count(*) from sqlite_master where type = 'table' and name = ?"_s, {name}).toInt() == 1;
}

// Changes to the days tasks keep (see AnchorDays.h) are journalled beside
// the rows of Tasks, as a before and after day for each task (null: no row).
bool anchorsJournalled(sqlite3 *db)
{
    return hasTable(db, u"UndoAnchorRows"_s) && hasTable(db, u"TaskAnchorDays"_s);
}

const char *const AnchorTriggers[] = {"UndoRecordAnchorInsert", "UndoRecordAnchorDelete", "UndoRecordAnchorUpdate"};

// "prefix + column" for every column, joined by commas.
QString prefixed(const QString &prefix)
{
    QStringList parts;
    for (const QString &c : columns())
        parts << prefix + c;
    return parts.join(u", "_s);
}

} // namespace

namespace undojournal {

QStringList schemaStatements()
{
    // The row images have no declared type, so each value keeps the storage
    // class it had in Tasks and is put back unchanged.
    QStringList imageColumns;
    for (const QString &c : columns())
        imageColumns << u"B_"_s + c << u"A_"_s + c;
    return {
        u"create table if not exists UndoSteps (\n"
        "  ID integer primary key autoincrement,\n"
        "  Label text not null,\n"
        "  Undone integer not null default 0)"_s,
        u"create table if not exists UndoRows (\n"
        "  Seq integer primary key autoincrement,\n"
        "  Step integer not null references UndoSteps (ID) on delete cascade,\n  "_s
            + imageColumns.join(u",\n  "_s) + u")"_s,
        u"create index if not exists UndoRowsByStep on UndoRows (Step)"_s,
        u"create table if not exists UndoAnchorRows (\n"
        "  Seq integer primary key autoincrement,\n"
        "  Step integer not null references UndoSteps (ID) on delete cascade,\n"
        "  TaskID integer not null,\n"
        "  B_Day integer,\n"
        "  A_Day integer)"_s,
        u"create index if not exists UndoAnchorRowsByStep on UndoAnchorRows (Step)"_s,
    };
}

bool installRecorder(sqlite3 *db)
{
    run(db, u"create temp table if not exists UndoContext (Step integer)"_s);
    if (single(db, u"select count(*) from temp.UndoContext"_s).toInt() == 0)
        run(db, u"insert into temp.UndoContext values (null)"_s);
    removeRecorder(db);
    const QString open = u"(select Step from temp.UndoContext) is not null"_s;
    const QString target = u"insert into UndoRows (Step, "_s;
    QStringList changed;
    for (const QString &c : columns())
        changed << u"old.%1 is not new.%1"_s.arg(c);
    try {
        run(db, u"create temp trigger UndoRecordInsert after insert on main.Tasks when "_s + open + u" begin "_s
                    + target + prefixed(u"A_"_s) + u") select Step, "_s + prefixed(u"new."_s)
                    + u" from temp.UndoContext; end"_s);
        run(db, u"create temp trigger UndoRecordDelete after delete on main.Tasks when "_s + open + u" begin "_s
                    + target + prefixed(u"B_"_s) + u") select Step, "_s + prefixed(u"old."_s)
                    + u" from temp.UndoContext; end"_s);
        run(db, u"create temp trigger UndoRecordUpdate after update on main.Tasks when "_s + open + u" and ("_s
                    + changed.join(u" or "_s) + u") begin "_s + target + prefixed(u"B_"_s) + u", "_s
                    + prefixed(u"A_"_s) + u") select Step, "_s + prefixed(u"old."_s) + u", "_s
                    + prefixed(u"new."_s) + u" from temp.UndoContext; end"_s);
        // The triggers are compiled on first use: a missing journal table
        // must show now, not as a refused change to Tasks later.
        single(db, u"select count(*) from UndoRows where 0"_s);
        single(db, u"select "_s + prefixed(QString()) + u" from Tasks where 0"_s);
    } catch (const Error &e) {
        qCWarning(lcStore) << "changes are not journalled:" << e.text();
        removeRecorder(db);
        return false;
    }
    // Best effort: without them the tasks are journalled still, and a task
    // whose kept day an undo does not bring back steps from its date's day.
    if (anchorsJournalled(db)) {
        const QString anchors = u"insert into UndoAnchorRows (Step, TaskID, B_Day, A_Day) select Step, "_s;
        try {
            run(db, u"create temp trigger UndoRecordAnchorInsert after insert on main.TaskAnchorDays when "_s + open
                        + u" begin "_s + anchors + u"new.TaskID, null, new.Day from temp.UndoContext; end"_s);
            run(db, u"create temp trigger UndoRecordAnchorDelete after delete on main.TaskAnchorDays when "_s + open
                        + u" begin "_s + anchors + u"old.TaskID, old.Day, null from temp.UndoContext; end"_s);
            run(db, u"create temp trigger UndoRecordAnchorUpdate after update on main.TaskAnchorDays when "_s + open
                        + u" and old.Day is not new.Day begin "_s + anchors
                        + u"new.TaskID, old.Day, new.Day from temp.UndoContext; end"_s);
            single(db, u"select count(*) from UndoAnchorRows where 0"_s);
        } catch (const Error &e) {
            qCWarning(lcStore) << "kept days are not journalled:" << e.text();
            for (const char *name : AnchorTriggers)
                run(db, u"drop trigger if exists temp.%1"_s.arg(QLatin1StringView(name)));
        }
    }
    return true;
}

void removeRecorder(sqlite3 *db)
{
    for (const char *name : {"UndoRecordInsert", "UndoRecordDelete", "UndoRecordUpdate"})
        run(db, u"drop trigger if exists temp.%1"_s.arg(QLatin1StringView(name)));
    for (const char *name : AnchorTriggers)
        run(db, u"drop trigger if exists temp.%1"_s.arg(QLatin1StringView(name)));
}

void openStep(sqlite3 *db, const QString &label)
{
    Statement add(db, u"insert into UndoSteps (Label) values (?)"_s);
    add.bind(label);
    add.execute();
    Statement context(db, u"update temp.UndoContext set Step = ?"_s);
    context.bind(add.lastInsertId());
    context.execute();
}

void closeStep(sqlite3 *db)
{
    const qint64 step = single(db, u"select Step from temp.UndoContext"_s).toLongLong();
    run(db, u"update temp.UndoContext set Step = null"_s);
    const bool anchors = hasTable(db, u"UndoAnchorRows"_s);
    const int anchorRows = anchors ? single(db, u"select count(*) from UndoAnchorRows where Step = ?"_s, {step}).toInt() : 0;
    if (single(db, u"select count(*) from UndoRows where Step = ?"_s, {step}).toInt() + anchorRows == 0) {
        Statement drop(db, u"delete from UndoSteps where ID = ?"_s);
        drop.bind(step);
        drop.execute();
        return;
    }
    run(db, u"delete from UndoRows where Step in (select ID from UndoSteps where Undone <> 0)"_s);
    if (anchors)
        run(db, u"delete from UndoAnchorRows where Step in (select ID from UndoSteps where Undone <> 0)"_s);
    run(db, u"delete from UndoSteps where Undone <> 0"_s);
    Statement trim(db, u"delete from UndoSteps where ID <= (select ID from UndoSteps order by ID desc limit 1 offset ?)"_s);
    trim.bind(undojournal::StepLimit);
    trim.execute(); // their rows go with them (on delete cascade)
}

} // namespace undojournal

namespace {

bool sameDay(const QVariant &a, const QVariant &b)
{
    return a.isNull() == b.isNull() && (a.isNull() || a.toLongLong() == b.toLongLong());
}

} // namespace

// The kept days of a step, put back the same way as its rows of Tasks: a
// day is put back only while it is what the step left, and left alone
// where it already is what the undo or redo would make it (the triggers on
// Tasks may have removed it with its task) or where its task's row was
// left alone.
void UndoJournal::replayAnchors(sqlite3 *db, qint64 step, bool undoing, const QSet<qint64> &skippedIds)
{
    const QString from = undoing ? u"A_"_s : u"B_"_s;
    const QString to = undoing ? u"B_"_s : u"A_"_s;
    Statement rows(db, u"select TaskID, %1Day, %2Day from UndoAnchorRows where Step = ? order by Seq %3"_s
                           .arg(from, to, undoing ? u"desc"_s : u"asc"_s));
    Statement current(db, u"select Day from TaskAnchorDays where TaskID = ?"_s);
    Statement put(db, u"insert into TaskAnchorDays (TaskID, Day) values (?, ?) "
                      "on conflict (TaskID) do update set Day = excluded.Day"_s);
    Statement drop(db, u"delete from TaskAnchorDays where TaskID = ?"_s);
    rows.bind(step);
    while (rows.step()) {
        const qint64 taskId = rows.value(0).toLongLong();
        if (skippedIds.contains(taskId))
            continue;
        current.reset();
        current.bind(taskId);
        const QVariant now = current.step() ? current.value(0) : QVariant();
        const QVariant was = rows.value(1);
        const QVariant wanted = rows.value(2);
        if (sameDay(now, wanted) || !sameDay(now, was))
            continue;
        if (wanted.isNull()) {
            drop.reset();
            drop.bind(taskId);
            drop.execute();
        } else {
            put.reset();
            put.bind(taskId);
            put.bind(wanted);
            put.execute();
        }
    }
}

QString UndoJournal::taskLabel(Connection &connection, const QString &pattern, qint64 id)
{
    const QString title = single(connection.handle(), u"select Task from Tasks where ID = ?"_s, {id}).toString();
    return pattern.arg(u"\u201C%1\u201D"_s.arg(title.simplified()));
}

QString UndoJournal::undoLabel()
{
    return single(m_connection.handle(), u"select Label from UndoSteps where Undone = 0 order by ID desc limit 1"_s)
        .toString();
}

QString UndoJournal::redoLabel()
{
    return single(m_connection.handle(), u"select Label from UndoSteps where Undone <> 0 order by ID limit 1"_s)
        .toString();
}

UndoOutcome UndoJournal::undo()
{
    return replay(true);
}

UndoOutcome UndoJournal::redo()
{
    return replay(false);
}

// Undoing puts each row back from its after-image to its before-image, the
// latest change first; redoing goes the other way. A row is put back only
// while it still holds the image the step left (absent for an image that
// is absent), compared value by value.
UndoOutcome UndoJournal::replay(bool undoing)
{
    sqlite3 *db = m_connection.handle();
    const QString from = undoing ? u"A_"_s : u"B_"_s;
    const QString to = undoing ? u"B_"_s : u"A_"_s;
    UndoOutcome outcome;
    m_connection.transaction([&] {
        Statement pick(db, undoing ? u"select ID, Label from UndoSteps where Undone = 0 order by ID desc limit 1"_s
                                   : u"select ID, Label from UndoSteps where Undone <> 0 order by ID limit 1"_s);
        if (!pick.step())
            return;
        const qint64 step = pick.value(0).toLongLong();
        outcome.done = true;
        outcome.label = pick.value(1).toString();

        QStringList same;
        for (const QString &c : columns())
            same << u"t.%1 is u.%2%1"_s.arg(c, from);
        Statement rows(db, u"select Seq, %1ID, %2ID, coalesce(%1Task, %2Task) from UndoRows where Step = ? order by Seq %3"_s
                               .arg(from, to, undoing ? u"desc"_s : u"asc"_s));
        Statement holds(db, u"select count(*) from Tasks t join UndoRows u on t.ID = u.%1ID where u.Seq = ? and "_s.arg(from)
                                + same.join(u" and "_s));
        Statement present(db, u"select count(*) from Tasks where ID = ?"_s);
        Statement remove(db, u"delete from Tasks where ID = ?"_s);
        Statement insert(db, u"insert into Tasks (%1) select %2 from UndoRows where Seq = ?"_s
                                 .arg(prefixed(QString()), prefixed(to)));
        Statement update(db, u"update Tasks set (%1) = (select %2 from UndoRows where Seq = ?) where ID = ?"_s
                                 .arg(prefixed(QString()), prefixed(to)));
        rows.bind(step);
        QSet<qint64> skippedIds;
        while (rows.step()) {
            const QVariant seq = rows.value(0);
            const QVariant fromId = rows.value(1);
            const QVariant toId = rows.value(2);
            bool matches;
            if (fromId.isNull()) {
                present.reset();
                present.bind(toId);
                matches = present.step() && present.value(0).toInt() == 0;
            } else {
                holds.reset();
                holds.bind(seq);
                matches = holds.step() && holds.value(0).toInt() == 1;
            }
            if (!matches) {
                outcome.skippedTasks << rows.value(3).toString();
                skippedIds.insert((fromId.isNull() ? toId : fromId).toLongLong());
                continue;
            }
            if (toId.isNull()) {
                remove.reset();
                remove.bind(fromId);
                remove.execute();
            } else if (fromId.isNull()) {
                insert.reset();
                insert.bind(seq);
                insert.execute();
            } else {
                update.reset();
                update.bind(seq);
                update.bind(fromId);
                update.execute();
            }
            ++outcome.applied;
        }
        if (anchorsJournalled(db))
            replayAnchors(db, step, undoing, skippedIds);
        Statement mark(db, u"update UndoSteps set Undone = ? where ID = ?"_s);
        mark.bind(undoing ? 1 : 0);
        mark.bind(step);
        mark.execute();
    });
    return outcome;
}

void UndoJournal::keepBeforeRestore()
{
    sqlite3 *db = m_connection.handle();
    dropKeptState();
    undojournal::removeRecorder(db);
    run(db, u"create temp table UndoKeptTasks as select * from main.Tasks"_s);
    if (hasTable(db, u"TaskAnchorDays"_s))
        run(db, u"create temp table UndoKeptAnchors as select * from main.TaskAnchorDays"_s);
    run(db, u"create temp table UndoKeptSteps as select * from main.UndoSteps"_s);
    run(db, u"create temp table UndoKeptRows as select * from main.UndoRows"_s);
}

void UndoJournal::recordRestore(const QString &label)
{
    sqlite3 *db = m_connection.handle();
    // The restored file may come from before the journal; it gains it now.
    m_connection.prepareJournal();
    if (!m_connection.journalled())
        return;
    if (single(db, u"select count(*) from sqlite_temp_master where name = 'UndoKeptRows'"_s).toInt() == 0)
        return;
    QStringList differs;
    for (const QString &c : columns())
        differs << u"k.%1 is not t.%1"_s.arg(c);
    m_connection.transaction([&] {
        // The journal as it stood before the restore goes on.
        run(db, u"delete from main.UndoRows"_s);
        run(db, u"delete from main.UndoSteps"_s);
        run(db, u"insert into main.UndoSteps select * from temp.UndoKeptSteps"_s);
        run(db, u"insert into main.UndoRows select * from temp.UndoKeptRows"_s);
        undojournal::openStep(db, label);
        QStringList kept, now;
        for (const QString &c : columns()) {
            kept << u"k."_s + c;
            now << u"t."_s + c;
        }
        const QString images = u"insert into UndoRows (Step, %1, %2) select (select Step from temp.UndoContext), %3, %4 "_s
                                   .arg(prefixed(u"B_"_s), prefixed(u"A_"_s), kept.join(u", "_s), now.join(u", "_s));
        // Rows changed or removed by the restore, then rows it brought.
        run(db, images + u"from temp.UndoKeptTasks k left join main.Tasks t on t.ID = k.ID where t.ID is null or "_s
                    + differs.join(u" or "_s));
        run(db, images + u"from main.Tasks t left join temp.UndoKeptTasks k on k.ID = t.ID where k.ID is null"_s);
        // The kept days the restore changed, removed or brought.
        if (anchorsJournalled(db)
            && single(db, u"select count(*) from sqlite_temp_master where name = 'UndoKeptAnchors'"_s).toInt() == 1) {
            const QString days = u"insert into UndoAnchorRows (Step, TaskID, B_Day, A_Day) "
                                 "select (select Step from temp.UndoContext), "_s;
            run(db, days + u"k.TaskID, k.Day, t.Day from temp.UndoKeptAnchors k left join main.TaskAnchorDays t "
                           "on t.TaskID = k.TaskID where t.Day is not k.Day"_s);
            run(db, days + u"t.TaskID, null, t.Day from main.TaskAnchorDays t left join temp.UndoKeptAnchors k "
                           "on k.TaskID = t.TaskID where k.TaskID is null"_s);
        }
        undojournal::closeStep(db);
    });
    dropKeptState();
}

void UndoJournal::dropKeptState()
{
    sqlite3 *db = m_connection.handle();
    for (const char *name : {"UndoKeptTasks", "UndoKeptSteps", "UndoKeptRows", "UndoKeptAnchors"})
        run(db, u"drop table if exists temp.%1"_s.arg(QLatin1StringView(name)));
}
