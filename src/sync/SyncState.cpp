#include "sync/SyncState.h"

#include "store/Connection.h"
#include "store/Statement.h"
#include "store/TasksTable.h"

#include <QJsonDocument>
#include <QVariant>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace syncstate {
namespace {

// Milliseconds since 1970 (UTC) by the engine's clock, so every writer of
// the database stamps its changes alike.
const QString Now = u"cast(round((julianday('now') - 2440587.5) * 86400000.0) as integer)"_s;

void run(Connection &db, const QString &sql, const QVariantList &values = {})
{
    Statement s(db.handle(), sql);
    for (const QVariant &v : values)
        s.bind(v);
    s.execute();
}

bool hasTable(Connection &db, const QString &name)
{
    Statement s(db.handle(), u"select count(*) from sqlite_master where type = 'table' and name = ?"_s);
    s.bind(name);
    return s.step() && s.value(0).toInt() == 1;
}

QString recordChange(const QString &idExpression)
{
    return u"insert into TaskChanges (TaskID, ChangedAt, Version) values (%1, %2, 1) "
           "on conflict (TaskID) do update set ChangedAt = excluded.ChangedAt, Version = Version + 1"_s
        .arg(idExpression, Now);
}

QJsonObject fromJson(const QByteArrayView text)
{
    return QJsonDocument::fromJson(text.toByteArray()).object();
}

Link readLink(const Statement &s)
{
    Link l;
    l.taskId = s.integer(0);
    l.uid = s.value(1).toString();
    l.href = s.value(2).toString();
    l.etag = s.value(3).toString();
    l.onServer = s.integer(4) != 0;
    l.synced = fromJson(s.utf8(5));
    l.kept = s.value(6).toByteArray();
    return l;
}

const QString LinkColumns = u"TaskID, UID, Href, ETag, OnServer, Synced, Kept"_s;

std::optional<Link> oneLink(Connection &db, const QString &where, const QVariant &value)
{
    Statement s(db.handle(), u"select %1 from SyncTasks where %2 = ?"_s.arg(LinkColumns, where));
    s.bind(value);
    if (!s.step())
        return std::nullopt;
    return readLink(s);
}

} // namespace

void install(Connection &db)
{
    const bool fresh = !hasTable(db, u"TaskChanges"_s);
    db.transaction([&] {
        run(db, u"create table if not exists TaskChanges (\n"
                "  TaskID integer primary key,\n"
                "  ChangedAt integer not null,\n"
                "  Version integer not null)"_s);
        run(db, u"create table if not exists TaskChangesPaused (Paused integer)"_s);
        QStringList changed;
        for (const FieldInfo &f : TasksTable::fields())
            changed << u"old.%1 is not new.%1"_s.arg(f.name);
        const QString active = u"not exists (select 1 from TaskChangesPaused)"_s;
        run(db, u"create trigger if not exists TaskChangesOnInsert after insert on Tasks when %1 begin %2; end"_s
                    .arg(active, recordChange(u"new.ID"_s)));
        run(db, u"create trigger if not exists TaskChangesOnUpdate after update on Tasks when %1 and (%2) begin %3; end"_s
                    .arg(active, changed.join(u" or "_s), recordChange(u"new.ID"_s)));
        run(db, u"create trigger if not exists TaskChangesOnDelete after delete on Tasks when %1 begin %2; end"_s
                    .arg(active, recordChange(u"old.ID"_s)));
        // The day a monthly task keeps travels with it.
        if (hasTable(db, u"TaskAnchorDays"_s)) {
            run(db, u"create trigger if not exists TaskChangesOnAnchorInsert after insert on TaskAnchorDays when %1 "
                    "and exists (select 1 from Tasks where ID = new.TaskID) begin %2; end"_s
                        .arg(active, recordChange(u"new.TaskID"_s)));
            run(db, u"create trigger if not exists TaskChangesOnAnchorUpdate after update on TaskAnchorDays when %1 "
                    "and old.Day is not new.Day begin %2; end"_s
                        .arg(active, recordChange(u"new.TaskID"_s)));
            run(db, u"create trigger if not exists TaskChangesOnAnchorDelete after delete on TaskAnchorDays when %1 "
                    "and exists (select 1 from Tasks where ID = old.TaskID) begin %2; end"_s
                        .arg(active, recordChange(u"old.TaskID"_s)));
        }
        run(db, u"create table if not exists TaskUids (TaskID integer primary key, UID text not null unique)"_s);
        run(db, u"create table if not exists SyncTasks (\n"
                "  TaskID integer primary key,\n"
                "  UID text not null,\n"
                "  Href text not null unique,\n"
                "  ETag text not null default '',\n"
                "  OnServer integer not null default 1,\n"
                "  Synced text not null,\n"
                "  Kept text not null default '')"_s);
        // Found at every pass: the tasks whose ETag the server did not tell.
        run(db, u"create index if not exists SyncTasksEtagUnknown on SyncTasks (TaskID) "
                "where OnServer = 1 and ETag = ''"_s);
        run(db, u"create table if not exists SyncCollection (URL text not null, CTag text not null default '')"_s);
        run(db, u"create table if not exists SyncInstances (\n"
                "  UID text not null,\n"
                "  RecurrenceID real not null,\n"
                "  primary key (UID, RecurrenceID))"_s);
        if (fresh)
            run(db, u"insert or ignore into TaskChanges (TaskID, ChangedAt, Version) select ID, %1, 1 from Tasks"_s.arg(Now));
    });
}

PassTransaction::PassTransaction(Connection &db) : m_db(db)
{
    run(m_db, u"begin immediate"_s);
    try {
        run(m_db, u"insert into TaskChangesPaused values (1)"_s);
    } catch (...) {
        run(m_db, u"rollback"_s);
        throw;
    }
}

PassTransaction::~PassTransaction()
{
    if (m_open)
        sqlite3_exec(m_db.handle(), "rollback", nullptr, nullptr, nullptr);
}

void PassTransaction::commit()
{
    run(m_db, u"delete from TaskChangesPaused"_s);
    run(m_db, u"commit"_s);
    m_open = false;
}

bool anyChange(Connection &db)
{
    Statement s(db.handle(), u"select exists (select 1 from TaskChanges)"_s);
    return s.step() && s.integer(0) != 0;
}

QList<Change> changes(Connection &db)
{
    Statement s(db.handle(), u"select TaskID, ChangedAt, Version from TaskChanges order by TaskID"_s);
    QList<Change> all;
    while (s.step())
        all << Change{s.integer(0), s.integer(1), s.integer(2)};
    return all;
}

std::optional<Change> changeOf(Connection &db, qint64 taskId)
{
    Statement s(db.handle(), u"select TaskID, ChangedAt, Version from TaskChanges where TaskID = ?"_s);
    s.bind(taskId);
    if (!s.step())
        return std::nullopt;
    return Change{s.integer(0), s.integer(1), s.integer(2)};
}

void markChanged(Connection &db, qint64 taskId)
{
    run(db, recordChange(u"?"_s), {taskId});
}

void clearChange(Connection &db, qint64 taskId, qint64 version)
{
    run(db, u"delete from TaskChanges where TaskID = ? and Version = ?"_s, {taskId, version});
}

void clearChange(Connection &db, qint64 taskId)
{
    run(db, u"delete from TaskChanges where TaskID = ?"_s, {taskId});
}

std::optional<Link> linkOfTask(Connection &db, qint64 taskId)
{
    return oneLink(db, u"TaskID"_s, taskId);
}

std::optional<Link> linkOfHref(Connection &db, const QString &href)
{
    return oneLink(db, u"Href"_s, href);
}

QList<Link> links(Connection &db)
{
    Statement s(db.handle(), u"select %1 from SyncTasks"_s.arg(LinkColumns));
    QList<Link> all;
    while (s.step())
        all << readLink(s);
    return all;
}

bool anyEtagUnknown(Connection &db)
{
    Statement s(db.handle(), u"select exists (select 1 from SyncTasks where OnServer = 1 and ETag = '')"_s);
    return s.step() && s.integer(0) != 0;
}

void saveLink(Connection &db, const Link &link)
{
    // Another task's row for the same address is an older link of it.
    run(db, u"delete from SyncTasks where Href = ? and TaskID <> ?"_s, {link.href, link.taskId});
    run(db, u"insert or replace into SyncTasks (%1) values (?, ?, ?, ?, ?, ?, ?)"_s.arg(LinkColumns),
        {link.taskId, link.uid, link.href, link.etag, link.onServer ? 1 : 0,
         QString::fromUtf8(QJsonDocument(link.synced).toJson(QJsonDocument::Compact)), QString::fromUtf8(link.kept)});
}

void dropLink(Connection &db, qint64 taskId)
{
    run(db, u"delete from SyncTasks where TaskID = ?"_s, {taskId});
}

void relink(Connection &db, qint64 fromTaskId, qint64 toTaskId)
{
    run(db, u"update SyncTasks set TaskID = ? where TaskID = ?"_s, {toTaskId, fromTaskId});
}

QString storedUrl(Connection &db)
{
    Statement s(db.handle(), u"select URL from SyncCollection"_s);
    return s.step() ? s.value(0).toString() : QString();
}

QString storedCtag(Connection &db)
{
    Statement s(db.handle(), u"select CTag from SyncCollection"_s);
    return s.step() ? s.value(0).toString() : QString();
}

void storeCtag(Connection &db, const QString &ctag)
{
    run(db, u"update SyncCollection set CTag = ?"_s, {ctag});
}

void switchCollection(Connection &db, const QString &url)
{
    run(db, u"delete from SyncTasks"_s);
    run(db, u"delete from SyncInstances"_s);
    run(db, u"delete from SyncCollection"_s);
    run(db, u"insert into SyncCollection (URL, CTag) values (?, '')"_s, {url});
    run(db, u"insert or ignore into TaskChanges (TaskID, ChangedAt, Version) select ID, %1, 1 from Tasks"_s.arg(Now));
}

bool instanceSeen(Connection &db, const QString &uid, double recurrenceId)
{
    Statement s(db.handle(), u"insert or ignore into SyncInstances (UID, RecurrenceID) values (?, ?)"_s);
    s.bind(uid);
    s.bind(recurrenceId);
    return s.execute() == 0;
}

} // namespace syncstate
