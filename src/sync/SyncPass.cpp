#include "sync/SyncPass.h"

#include "alarm/OccurrenceKind.h"
#include "alarm/TaskSchedule.h"
#include "alarm/RecurrenceRule.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/Logging.h"
#include "ical/TodoCalendar.h"
#include "store/Connection.h"
#include "store/Statement.h"
#include "sync/LocalTasks.h"
#include "sync/Reconcile.h"

#include <QCoreApplication>
#include <QHash>
#include <QLoggingCategory>
#include <QSet>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcSync, "nudgewick.sync", QtWarningMsg)

namespace tasksync {
namespace {

constexpr int FetchBatch = 100; // resources asked for in one multiget
constexpr int PushBatch = 50;   // resources sent before their state is written
const QString ConflictMark = u" (conflict)"_s;
constexpr int TaskLength = 255;

QString tr(const char *text)
{
    return QCoreApplication::translate("tasksync", text);
}

qint64 msecsOf(const QDateTime &t)
{
    return t.isValid() ? t.toMSecsSinceEpoch() : 0;
}

// The to-do a resource holds, the completed occurrences kept beside it,
// and the text of all occurrences kept beside it.
struct Resource
{
    std::optional<ical::Todo> master;
    QList<ical::Todo> doneInstances;
    QByteArray kept;
};

// The VTODO blocks of a resource that stand for one occurrence of the series
// (they carry RECURRENCE-ID), as they stand.
QByteArray occurrenceBlocks(const QByteArray &ics)
{
    QByteArray kept;
    qsizetype from = 0;
    while ((from = ics.indexOf("BEGIN:VTODO", from)) >= 0) {
        const qsizetype end = ics.indexOf("END:VTODO", from);
        if (end < 0)
            break;
        qsizetype stop = end + qsizetype(qstrlen("END:VTODO"));
        while (stop < ics.size() && (ics[stop] == '\r' || ics[stop] == '\n'))
            ++stop;
        const QByteArray block = ics.mid(from, stop - from);
        if (block.contains("\nRECURRENCE-ID"))
            kept += block.endsWith('\n') ? block : block + "\r\n";
        from = stop;
    }
    return kept;
}

// Our to-do with the occurrences other clients keep beside it.
QByteArray withKept(QByteArray ics, const QByteArray &kept)
{
    if (!kept.isEmpty())
        ics.insert(ics.lastIndexOf("END:VCALENDAR"), kept);
    return ics;
}

Resource parse(const QByteArray &ics, const QTimeZone &zone)
{
    Resource r;
    r.kept = occurrenceBlocks(ics);
    for (ical::Todo &todo : ical::readCalendar(ics, zone)) {
        if (!todo.recurrenceId.isValid()) {
            if (!r.master)
                r.master = std::move(todo);
        } else if (todo.fields.value(u"Completed"_s).toInt() != 0) {
            r.doneInstances << std::move(todo);
        }
    }
    return r;
}

QVariantMap markedAsConflict(QVariantMap fields)
{
    QString text = fields.value(u"Task"_s).toString();
    text.truncate(TaskLength - ConflictMark.size());
    fields.insert(u"Task"_s, text + ConflictMark);
    return fields;
}

} // namespace

Report failure(const RemoteError &e)
{
    Report r;
    switch (e.kind) {
    case RemoteError::Kind::Unreachable:
        r.outcome = Outcome::Offline;
        r.error = tr("The server cannot be reached: %1 Changes made here are sent when it can.").arg(e.text);
        break;
    case RemoteError::Kind::Unauthorized:
        r.outcome = Outcome::AuthFailed;
        r.error = tr("The server refused the user name or the password: %1").arg(e.text);
        break;
    case RemoteError::Kind::Certificate:
        r.outcome = Outcome::CertificateFailed;
        r.error = tr("The server's certificate is not trusted: %1").arg(e.text);
        break;
    default:
        r.outcome = Outcome::Failed;
        r.error = tr("The sync did not finish: %1").arg(e.text);
        break;
    }
    return r;
}

SyncPass::SyncPass(Connection &db, RemoteCollection &remote, const Clock &clock, const QTimeZone &zone)
    : m_db(db), m_remote(remote), m_clock(clock), m_zone(zone)
{
}

Report SyncPass::run()
{
    m_report = Report();
    try {
        sync();
        m_report.outcome = Outcome::Synced;
    } catch (const RemoteError &e) {
        try {
            flush(); // what the server already holds stays agreed
        } catch (const Error &) {
        }
        const Report failed = failure(e);
        m_report.outcome = failed.outcome;
        m_report.error = failed.error;
    } catch (const Error &e) {
        m_report.outcome = Outcome::Failed;
        m_report.error = tr("The sync did not finish: %1").arg(e.text());
    } catch (const std::exception &e) {
        m_report.outcome = Outcome::Failed;
        m_report.error = tr("The sync did not finish: %1").arg(QString::fromLocal8Bit(e.what()));
    }
    m_report.finished = m_clock.now().toQDateTime();
    return m_report;
}

void SyncPass::sync()
{
    syncstate::install(m_db);
    const QString url = m_remote.url();
    if (syncstate::storedUrl(m_db) != url) {
        syncstate::PassTransaction t(m_db);
        syncstate::switchCollection(m_db, url);
        t.commit();
    }
    const bool changedHere = syncstate::anyChange(m_db);
    const QString ctag = m_remote.ctag();
    // A write the server answered without an ETag is looked up in a
    // listing as well.
    const bool changedThere = ctag.isEmpty() || ctag != syncstate::storedCtag(m_db) || syncstate::anyEtagUnknown(m_db);
    if (!changedThere && !changedHere)
        return;

    // Nothing changed there: only the changes here go (a resource changed
    // meanwhile answers its write with 412 and is taken in then).
    if (changedThere)
        pull(m_remote.list());
    push();

    // The ctag is kept only for a state both sides hold: after writes of
    // our own, a listing that matches every link shows the ctag read
    // before it is no newer than what is held here.
    if (!m_complete || ctag.isEmpty())
        return;
    if (!m_remoteWritten) {
        syncstate::storeCtag(m_db, ctag);
        return;
    }
    const QString after = m_remote.ctag();
    if (sameAsListed(m_remote.list()))
        syncstate::storeCtag(m_db, after);
}

bool SyncPass::sameAsListed(const QList<RemoteEntry> &entries)
{
    QHash<QString, QString> held;
    for (const syncstate::Link &l : syncstate::links(m_db))
        if (l.onServer)
            held.insert(l.href, l.etag);
    if (held.size() != entries.size())
        return false;
    for (const RemoteEntry &e : entries) {
        const auto it = held.constFind(e.href);
        if (it == held.cend() || it.value() != e.etag)
            return false;
    }
    return true;
}

void SyncPass::pull(const QList<RemoteEntry> &entries)
{
    QHash<QString, QString> known; // href -> ETag last agreed
    for (const syncstate::Link &l : syncstate::links(m_db))
        known.insert(l.href, l.etag);
    QSet<QString> listed;
    QStringList wanted;
    for (const RemoteEntry &e : entries) {
        listed.insert(e.href);
        const auto it = known.constFind(e.href);
        if (it == known.cend() || it.value() != e.etag)
            wanted << e.href;
    }
    for (qsizetype i = 0; i < wanted.size(); i += FetchBatch) {
        const QStringList batch = wanted.mid(i, FetchBatch);
        const QList<RemoteObject> objects = m_remote.fetch(batch);
        if (objects.size() != batch.size())
            m_complete = false; // gone since the listing: seen next pass
        syncstate::PassTransaction t(m_db);
        for (const RemoteObject &o : objects)
            takeIn(o);
        t.commit();
    }

    syncstate::PassTransaction t(m_db);
    for (const syncstate::Link &l : syncstate::links(m_db))
        if (l.onServer && !listed.contains(l.href))
            goneThere(l);
    t.commit();
}

void SyncPass::takeIn(const RemoteObject &object)
{
    Resource resource;
    try {
        resource = parse(object.ics, m_zone);
    } catch (const Error &e) {
        qCWarning(lcSync) << "cannot read" << object.href << e.text();
        m_complete = false;
        return;
    }
    if (!resource.master) {
        qCDebug(lcSync) << object.href << "holds no to-do of its own";
        m_complete = false;
        return;
    }
    const ical::Todo &master = *resource.master;
    const QJsonObject there = localtasks::comparable(master.fields);
    const double created = m_clock.now().toDouble();

    std::optional<syncstate::Link> link = syncstate::linkOfHref(m_db, object.href);
    if (!link) {
        const qint64 sameUid = master.uid.isEmpty() ? -1 : localtasks::taskOfUid(m_db, master.uid);
        if (sameUid >= 0 && !syncstate::linkOfTask(m_db, sameUid)) {
            // A task of ours the server already holds (sent before its
            // link was kept, or by way of a file): nothing agreed yet.
            const QVariantMap local = *localtasks::read(m_db, sameUid);
            merge(sameUid, syncstate::Link{sameUid, master.uid, object.href, object.etag, true, {}, resource.kept}, local,
                  localtasks::comparable(master.uid, local, m_zone), master, there);
            applyInstances(sameUid, master.uid, resource.doneInstances);
            return;
        }
        const qint64 id = localtasks::insert(m_db, master.fields, master.uid, created);
        syncstate::saveLink(m_db, {id, master.uid, object.href, object.etag, true, there, resource.kept});
        m_tasksWritten = true;
        ++m_report.received;
        applyInstances(id, master.uid, resource.doneInstances);
        return;
    }

    const qint64 id = link->taskId;
    link->kept = resource.kept;
    const std::optional<QVariantMap> local = localtasks::read(m_db, id);
    if (local) {
        const QJsonObject here = localtasks::comparable(link->uid, *local, m_zone);
        const std::optional<syncstate::Change> change = syncstate::changeOf(m_db, id);
        if (change && !sameFields(here, link->synced)) {
            link->etag = object.etag;
            merge(id, *link, *local, here, master, there);
        } else {
            if (localtasks::update(m_db, id, here, there)) {
                m_tasksWritten = true;
                ++m_report.received;
            }
            link->etag = object.etag;
            link->synced = there;
            link->onServer = true;
            syncstate::saveLink(m_db, *link);
            syncstate::clearChange(m_db, id);
        }
        applyInstances(id, link->uid, resource.doneInstances);
        return;
    }

    // Deleted here.
    link->etag = object.etag;
    if (sameFields(there, link->synced)) {
        syncstate::saveLink(m_db, *link); // the deletion goes with the new ETag
        return;
    }
    // Edited there since: it is kept, and comes back here.
    const qint64 back = localtasks::insert(m_db, master.fields, link->uid, created);
    syncstate::clearChange(m_db, id);
    link->taskId = back;
    link->synced = there;
    syncstate::dropLink(m_db, id);
    syncstate::saveLink(m_db, *link);
    m_tasksWritten = true;
    ++m_report.received;
    applyInstances(back, link->uid, resource.doneInstances);
}

void SyncPass::merge(qint64 id, syncstate::Link link, const QVariantMap &localFields, const QJsonObject &here,
                     const ical::Todo &master, const QJsonObject &there)
{
    const std::optional<syncstate::Change> change = syncstate::changeOf(m_db, id);
    const Merge m = reconcile(link.synced, here, change ? change->changedAt : 0, there, msecsOf(master.lastModified));
    link.synced = there;
    link.onServer = true;
    syncstate::saveLink(m_db, link);
    if (!m.clash) {
        if (localtasks::update(m_db, id, here, m.result)) {
            m_tasksWritten = true;
            ++m_report.received;
        }
        if (sameFields(m.result, there))
            syncstate::clearChange(m_db, id);
        else
            syncstate::markChanged(m_db, id); // the merged task goes to the server
        return;
    }
    ++m_report.conflicts;
    if (m.winner == Side::Here) {
        // The task stays as it is here and is sent; the server's version
        // is kept beside it.
        addConflictCopy(master.fields);
    } else {
        localtasks::update(m_db, id, here, there);
        syncstate::clearChange(m_db, id);
        addConflictCopy(localFields);
        ++m_report.received;
    }
    m_tasksWritten = true;
}

qint64 SyncPass::addConflictCopy(const QVariantMap &fields)
{
    const qint64 id = localtasks::insert(m_db, markedAsConflict(fields), QString(), m_clock.now().toDouble());
    syncstate::markChanged(m_db, id); // sent as a task of its own
    return id;
}

void SyncPass::goneThere(const syncstate::Link &link)
{
    const std::optional<QVariantMap> local = localtasks::read(m_db, link.taskId);
    if (local && syncstate::changeOf(m_db, link.taskId)
        && !sameFields(localtasks::comparable(link.uid, *local, m_zone), link.synced)) {
        // Edited here since: it is kept, and created there again.
        syncstate::Link again = link;
        again.onServer = false;
        again.etag.clear();
        syncstate::saveLink(m_db, again);
        return;
    }
    if (local) {
        localtasks::remove(m_db, link.taskId);
        m_tasksWritten = true;
        ++m_report.deleted;
    }
    syncstate::dropLink(m_db, link.taskId);
    syncstate::clearChange(m_db, link.taskId);
}

void SyncPass::applyInstances(qint64 id, const QString &uid, const QList<ical::Todo> &instances)
{
    for (const ical::Todo &instance : instances) {
        const double occurrence = instance.recurrenceId.toDouble();
        if (syncstate::instanceSeen(m_db, uid, occurrence))
            continue;
        const std::optional<QVariantMap> f = localtasks::read(m_db, id);
        if (!f)
            continue;
        TaskSchedule task;
        task.occurrence = f->value(u"Occurrence"_s).toString();
        task.frequency = f->value(u"Frequency"_s).toInt();
        task.validHours = f->value(u"ValidHours"_s).toString();
        task.validDays = f->value(u"ValidDays"_s).toString();
        task.due = DateTime(f->value(u"DueDateTime"_s).toDouble());
        task.alarm = DateTime(f->value(u"AlarmDateTime"_s).toDouble());
        task.anchorDay = f->value(u"AnchorDay"_s).toInt();
        if (!RecurrenceRule::read(occurrenceKindFromWord(task.occurrence), task.frequency, task.validHours,
                                  task.validDays)
                 .moves())
            continue;
        // The occurrence done there, or a later one: move past it. One this
        // task has already left behind changes nothing.
        constexpr double HalfSecond = 0.5 / 86400.0;
        const DateTime before = task.due;
        for (int step = 0; step < 1000 && task.due.toDouble() <= occurrence + HalfSecond; ++step) {
            const DueAndAlarm next = task.nextOccurrence(m_clock);
            if (next.due == task.due && next.alarm == task.alarm)
                break;
            task.due = next.due;
            task.alarm = next.alarm;
        }
        if (task.due == before)
            continue;
        Statement move(m_db.handle(), u"update Tasks set DueDateTime = ?, AlarmDateTime = ? where ID = ?"_s);
        move.bind(task.due.toDouble());
        move.bind(task.alarm.toDouble());
        move.bind(id);
        move.execute();
        syncstate::markChanged(m_db, id); // the new due date goes to the server
        m_tasksWritten = true;
        ++m_report.received;
        qCDebug(lcSync) << "task" << id << "done elsewhere: moved to its next occurrence";
    }
}

void SyncPass::push()
{
    // Sending can give rise to changes of its own (a copy kept in a
    // conflict found on the way): they go in a further round.
    QSet<qint64> tried;
    for (int round = 0; round < 3; ++round) {
        QList<syncstate::Change> due;
        for (const syncstate::Change &c : syncstate::changes(m_db))
            if (!tried.contains(c.taskId))
                due << c;
        if (due.isEmpty())
            return;
        // New tasks get their UIDs together, not in a transaction each.
        {
            syncstate::PassTransaction t(m_db);
            for (const syncstate::Change &c : std::as_const(due))
                if (localtasks::exists(m_db, c.taskId))
                    localtasks::uidOf(m_db, c.taskId, true);
            t.commit();
        }
        for (qsizetype i = 0; i < due.size(); i += PushBatch) {
            for (const syncstate::Change &c : due.mid(i, PushBatch)) {
                tried.insert(c.taskId);
                pushOne(c, true);
            }
            flush();
        }
    }
}

void SyncPass::pushOne(const syncstate::Change &change, bool retry)
{
    const qint64 id = change.taskId;
    const std::optional<QVariantMap> local = localtasks::read(m_db, id);
    const std::optional<syncstate::Link> link = syncstate::linkOfTask(m_db, id);

    if (!local) {
        if (!link || !link->onServer) {
            m_pending << Pending{id, change.version, std::nullopt};
            return;
        }
        try {
            m_remote.remove(link->href, link->etag);
        } catch (const RemoteError &e) {
            if (e.kind == RemoteError::Kind::PreconditionFailed) {
                // Edited there since it was deleted here: it comes back.
                flush();
                refetch(link->href);
                retryOnce(id, retry);
                return;
            }
            if (e.kind != RemoteError::Kind::NotFound)
                throw;
        }
        m_remoteWritten = true;
        ++m_report.deleted;
        m_pending << Pending{id, change.version, std::nullopt};
        return;
    }

    const QString uid = link ? link->uid : localtasks::uidOf(m_db, id, true);
    ical::Todo todo;
    todo.uid = uid;
    todo.fields = *local;
    todo.lastModified = QDateTime::fromMSecsSinceEpoch(change.changedAt, QTimeZone::utc());
    const QByteArray ics = ical::writeCalendar({todo}, m_zone);
    const QList<ical::Todo> sent = ical::readCalendar(ics, m_zone);
    const QJsonObject here = sent.isEmpty() ? QJsonObject() : localtasks::comparable(sent.first().fields);
    if (link && link->onServer && sameFields(here, link->synced)) {
        m_pending << Pending{id, change.version, link, true};
        return;
    }
    if (link && link->onServer && link->etag.isEmpty()) {
        // The server did not tell the ETag of the version it holds; the
        // next listing does.
        m_complete = false;
        return;
    }
    const QString href = link ? link->href : m_remote.hrefFor(uid);
    const bool create = !link || !link->onServer;
    QString etag;
    try {
        etag = m_remote.put(href, withKept(ics, link ? link->kept : QByteArray()),
                            create ? QString() : link->etag);
    } catch (const RemoteError &e) {
        if (e.kind != RemoteError::Kind::PreconditionFailed && e.kind != RemoteError::Kind::NotFound)
            throw;
        // Changed (or created, or deleted) there meanwhile: take that in
        // and send the outcome once more.
        flush();
        refetch(href);
        retryOnce(id, retry);
        return;
    }
    m_remoteWritten = true;
    ++m_report.sent;
    m_pending << Pending{id, change.version, syncstate::Link{id, uid, href, etag, true, here, link ? link->kept : QByteArray()}};
}

void SyncPass::retryOnce(qint64 id, bool retry)
{
    const std::optional<syncstate::Change> again = syncstate::changeOf(m_db, id);
    if (!again)
        return; // agreed by taking in the server's version
    if (retry)
        pushOne(*again, false);
    else
        m_complete = false; // changed there again meanwhile: next pass
}

void SyncPass::refetch(const QString &href)
{
    const QList<RemoteObject> objects = m_remote.fetch({href});
    syncstate::PassTransaction t(m_db);
    if (objects.isEmpty()) {
        if (const std::optional<syncstate::Link> link = syncstate::linkOfHref(m_db, href); link && link->onServer)
            goneThere(*link);
    } else {
        takeIn(objects.first());
    }
    t.commit();
}

void SyncPass::flush()
{
    if (m_pending.isEmpty())
        return;
    syncstate::PassTransaction t(m_db);
    for (const Pending &p : std::as_const(m_pending)) {
        if (!p.link)
            syncstate::dropLink(m_db, p.taskId);
        else if (!p.keepLink)
            syncstate::saveLink(m_db, *p.link);
        syncstate::clearChange(m_db, p.taskId, p.version);
    }
    t.commit();
    m_pending.clear();
}

} // namespace tasksync
