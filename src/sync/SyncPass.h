#pragma once

#include "sync/RemoteCollection.h"
#include "sync/SyncState.h"

#include <QJsonObject>
#include <QTimeZone>

class Clock;
class Connection;

namespace ical {
struct Todo;
}

// One sync pass: the task database and one collection brought to the same
// tasks.
//
// 1. When the collection's ctag is the one stored and nothing changed here,
//    the pass ends after that one request.
// 2. When the ctag moved, the collection is listed; resources that are new or whose
//    ETag moved are fetched in batches and taken in (changed only there),
//    merged (changed on both sides, see Reconcile.h) or brought back (deleted
//    here, edited there). Tasks whose resource is gone are deleted here,
//    unless they changed here since (then they are sent again as new).
// 3. Every task changed here is sent: new ones created (If-None-Match),
//    changed ones replaced (If-Match), deleted ones deleted (If-Match). A
//    resource that changed in the meantime is fetched, merged and sent once
//    more.
//
// A completed occurrence kept beside a repeating to-do (RECURRENCE-ID)
// moves the task here on to its next occurrence, once; it never becomes a
// task of its own. The database is written in short transactions of the
// pass's own, batch by batch, so a failure half-way keeps what was agreed
// and a change made here is forgotten only once the server holds it.
namespace tasksync {

// The outcome and the sentence for a pass that the server's answer ended.
Report failure(const RemoteError &e);

class SyncPass
{
public:
    SyncPass(Connection &db, RemoteCollection &remote, const Clock &clock, const QTimeZone &zone);

    // Runs the pass; failures end it and are told in the report.
    Report run();
    // True when the pass wrote tasks here.
    bool tasksWritten() const { return m_tasksWritten; }

private:
    void sync();
    void pull(const QList<RemoteEntry> &entries);
    void takeIn(const RemoteObject &object);
    void merge(qint64 id, syncstate::Link link, const QVariantMap &localFields, const QJsonObject &here,
               const ical::Todo &master, const QJsonObject &there);
    void goneThere(const syncstate::Link &link);
    void applyInstances(qint64 id, const QString &uid, const QList<ical::Todo> &instances);
    qint64 addConflictCopy(const QVariantMap &fields);
    void push();
    void pushOne(const syncstate::Change &change, bool retry);
    void refetch(const QString &href);
    void retryOnce(qint64 id, bool retry);
    bool sameAsListed(const QList<RemoteEntry> &entries);

    struct Pending
    {
        qint64 taskId = 0;
        qint64 version = 0;
        std::optional<syncstate::Link> link; // none: the task's link is dropped
        bool keepLink = false;               // only the change is forgotten
    };
    void flush();

    Connection &m_db;
    RemoteCollection &m_remote;
    const Clock &m_clock;
    QTimeZone m_zone;
    Report m_report;
    QList<Pending> m_pending;
    bool m_tasksWritten = false;
    bool m_remoteWritten = false;
    bool m_complete = true; // every remote change was taken in
};

} // namespace tasksync
