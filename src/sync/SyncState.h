#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

class Connection;

// What the sync engine remembers in the task database, in tables of its own
// beside Tasks (whose layout stays as it is):
//
// - TaskChanges (TaskID, ChangedAt, Version): the tasks changed here since
//   they were last agreed with the server, with the time of the latest
//   change (milliseconds since 1970, UTC) and a count that moves with every
//   change. Permanent triggers on Tasks and TaskAnchorDays keep it, whoever
//   writes (the window, the alarm scan, an undo); a deleted task keeps its
//   row until the deletion has been sent. The sync pass's own writes are
//   not changes here: inside its transactions a row in TaskChangesPaused
//   silences the triggers.
// - SyncTasks (TaskID, UID, Href, ETag, OnServer, Synced, Kept): each task
//   that is on the server, with its address, the ETag of the version last
//   agreed, the field values of that version (JSON) and the occurrences
//   other clients keep beside it in the same resource (iCalendar text, sent
//   back with every change). A task deleted here keeps its row until the
//   server has deleted it too.
// - SyncCollection (URL, CTag): the collection the rows belong to and its
//   ctag when both sides last held the same tasks.
// - SyncInstances (UID, RecurrenceID): the completed occurrences of
//   repeating to-dos that were already applied here, so none is applied
//   twice.
namespace syncstate {

// Creates the tables and triggers where they are missing. The first time,
// every task of the database counts as changed here (none is on a server).
void install(Connection &db);

// The sync pass's writes: one immediate transaction (the write lock is
// taken at its start), in which changes to Tasks are not recorded as
// changes here.
class PassTransaction
{
public:
    explicit PassTransaction(Connection &db);
    ~PassTransaction(); // rolls back unless committed
    PassTransaction(const PassTransaction &) = delete;
    PassTransaction &operator=(const PassTransaction &) = delete;
    void commit();

private:
    Connection &m_db;
    bool m_open = true;
};

struct Change
{
    qint64 taskId = 0;
    qint64 changedAt = 0; // ms since 1970, UTC
    qint64 version = 0;
};

bool anyChange(Connection &db);
QList<Change> changes(Connection &db);
std::optional<Change> changeOf(Connection &db, qint64 taskId);
// Marks the task as changed here now (for writes of the pass that must be
// sent, such as a conflict copy or a task moved on to its next occurrence).
void markChanged(Connection &db, qint64 taskId);
// Forgets the change, unless the task changed again since version was read.
void clearChange(Connection &db, qint64 taskId, qint64 version);
void clearChange(Connection &db, qint64 taskId);

struct Link
{
    qint64 taskId = 0;
    QString uid;
    QString href;
    QString etag;
    bool onServer = true; // false: to be created there (again)
    QJsonObject synced;   // the fields as last agreed
    QByteArray kept;      // other clients' components of the resource, sent back with it
};

std::optional<Link> linkOfTask(Connection &db, qint64 taskId);
std::optional<Link> linkOfHref(Connection &db, const QString &href);
QList<Link> links(Connection &db);
// True when a task on the server has no known ETag (the server did not say).
bool anyEtagUnknown(Connection &db);
// Inserts or replaces the task's row (a changed href replaces the old one).
void saveLink(Connection &db, const Link &link);
void dropLink(Connection &db, qint64 taskId);
// Moves the row to another task (a task deleted here that comes back).
void relink(Connection &db, qint64 fromTaskId, qint64 toTaskId);

QString storedUrl(Connection &db);
QString storedCtag(Connection &db);
void storeCtag(Connection &db, const QString &ctag);
// Starts over with another collection: every link is dropped and every task
// counts as changed here.
void switchCollection(Connection &db, const QString &url);

// True when the occurrence was recorded before; records it.
bool instanceSeen(Connection &db, const QString &uid, double recurrenceId);

} // namespace syncstate
