#include "store/BackupService.h"

#include "core/Clock.h"
#include "core/Error.h"
#include "core/Logging.h"
#include "core/PrivateFiles.h"
#include "store/BackupName.h"
#include "store/DatabaseCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <future>

namespace {
const char *reasonText(BackupReason reason)
{
    switch (reason) {
    case BackupReason::Daily: return "first start of the day";
    case BackupReason::Exit: return "exit after changes";
    case BackupReason::BulkChange: return "before a change of several tasks";
    case BackupReason::Upgrade: return "before the database upgrade";
    case BackupReason::Import: return "before an import";
    case BackupReason::BeforeRestore: return "before a restore";
    }
    return "";
}

DateTime plusSeconds(DateTime moment, qint64 seconds)
{
    return DateTime::fromParts(moment.dayNumber(), moment.msecsOfDay() + seconds * 1000);
}
}

BackupService::BackupService(const Clock &clock, const QString &databaseFile, const QString &backupFolder,
                             QObject *parent)
    : QObject(parent), m_clock(clock), m_database(databaseFile), m_folder(backupFolder),
      m_midnight(new QTimer(this))
{
    m_midnight->setSingleShot(true);
    m_midnight->setTimerType(Qt::VeryCoarseTimer);
    connect(m_midnight, &QTimer::timeout, this, [this] { backupIfNewDay(); });
    m_thread = std::thread([this] { run(); });
}

BackupService::~BackupService()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void BackupService::setPolicy(const BackupPolicy &policy)
{
    std::lock_guard lock(m_mutex);
    m_policy = policy;
}

void BackupService::enqueue(Job job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_all();
}

void BackupService::run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
            if (m_jobs.empty())
                return; // stopping with nothing left to do
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_working = true;
        }
        job();
        {
            std::lock_guard lock(m_mutex);
            m_working = false;
        }
        m_idle.notify_all();
    }
}

void BackupService::waitForIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_working; });
}

bool BackupService::isBusy() const
{
    std::lock_guard lock(m_mutex);
    return m_working || !m_jobs.empty();
}

void BackupService::backupNow(BackupReason reason)
{
    if (!m_enabled)
        return;
    backupAndWaitForSnapshot(reason);
}

void BackupService::backupAndWaitForSnapshot(BackupReason reason)
{
    m_changesAtBackup = m_changeCounter ? m_changeCounter() : 0;
    m_changedOutside = false;
    const DateTime moment = m_clock.now();
    m_lastBackupDay = moment.date();
    auto held = std::make_shared<std::promise<void>>();
    std::future<void> snapshot = held->get_future();
    enqueue([this, moment, reason, held] {
        bool signalled = false;
        const auto release = [&] {
            if (!signalled) {
                signalled = true;
                held->set_value();
            }
        };
        makeBackup(moment, reason, release);
        release(); // also when the copy failed before it held the database
    });
    snapshot.wait();
}

void BackupService::backupIfNewDay()
{
    const DateTime now = m_clock.now();
    // The next check is just after the coming midnight.
    m_midnight->start(int(qMin<qint64>(86'400'000LL - now.msecsOfDay() + 5'000, 86'405'000LL)));
    if (!m_enabled || m_lastBackupDay >= now.date())
        return;
    const QList<BackupEntry> list = backups(false);
    if (!list.isEmpty() && list.first().made.date() >= now.date())
        return;
    backupNow(BackupReason::Daily);
}

void BackupService::backupIfChanged()
{
    if (!m_enabled)
        return;
    const qint64 changes = m_changeCounter ? m_changeCounter() : 0;
    if (changes == m_changesAtBackup && !m_changedOutside)
        return;
    backupNow(BackupReason::Exit);
}

void BackupService::restore(const QString &backupFile)
{
    const DateTime moment = m_clock.now();
    enqueue([this, moment, backupFile] {
        // The current database is kept before it is replaced.
        const bool safe = makeBackup(moment, BackupReason::BeforeRestore, [] {}) || !QFileInfo::exists(m_database);
        QString failure;
        if (!safe) {
            failure = tr("The task list was not restored, because the current tasks could not be backed up first.");
        } else {
            try {
                databasecopy::restoreDatabase(backupFile, m_database);
                qCInfo(lcStore) << "restored" << backupFile;
            } catch (const Error &e) {
                failure = e.text();
            }
        }
        QMetaObject::invokeMethod(
            this,
            [this, failure, backupFile] {
                if (failure.isEmpty()) {
                    m_changedOutside = true;
                    emit restoreFinished(backupFile);
                } else {
                    emit restoreFailed(failure);
                }
            },
            Qt::QueuedConnection);
    });
}

QList<BackupEntry> BackupService::backups(bool withTaskCounts) const
{
    QList<BackupEntry> list;
    const QDir dir(m_folder);
    for (const QString &name : dir.entryList(QDir::Files)) {
        if (const auto made = backupname::parse(name)) {
            const QString file = dir.filePath(name);
            list.append({file, *made, withTaskCounts ? countOf(file) : -1});
        }
    }
    std::sort(list.begin(), list.end(), [](const BackupEntry &a, const BackupEntry &b) { return a.made > b.made; });
    return list;
}

qint64 BackupService::countOf(const QString &file) const
{
    const QDateTime modified = QFileInfo(file).lastModified();
    {
        std::lock_guard lock(m_countsMutex);
        const auto known = m_counts.constFind(file);
        if (known != m_counts.cend() && known->modified == modified)
            return known->tasks;
    }
    const qint64 tasks = databasecopy::taskCount(file);
    if (tasks >= 0) {
        std::lock_guard lock(m_countsMutex);
        m_counts.insert(file, {modified, tasks});
    }
    return tasks;
}

// Worker side ------------------------------------------------------------------

bool BackupService::makeBackup(DateTime moment, BackupReason reason, const std::function<void()> &snapshotTaken)
{
    try {
        if (!privatefiles::makeFolder(m_folder))
            throw Error(tr("The backup folder \"%1\" cannot be created.").arg(QDir::toNativeSeparators(m_folder)));
        const QDir dir(m_folder);
        // A copy cut short (the program killed half-way) is never finished.
        for (const QString &name : dir.entryList(QDir::Files))
            if (name.endsWith(databasecopy::PartialSuffix))
                QFile::remove(dir.filePath(name));

        // Two backups in one second: the later one takes the next free second.
        while (QFileInfo::exists(dir.filePath(backupname::fileName(moment))))
            moment = plusSeconds(moment, 1);
        const QString target = dir.filePath(backupname::fileName(moment));
        databasecopy::CopyHooks hooks;
        hooks.snapshotTaken = snapshotTaken;
        const qint64 tasks = databasecopy::copyDatabase(m_database, target, hooks);
        {
            std::lock_guard lock(m_countsMutex);
            m_counts.insert(target, {QFileInfo(target).lastModified(), tasks});
        }
        qCInfo(lcStore) << "backup" << target << "with" << tasks << "tasks:" << reasonText(reason);
        m_failureReported = false;
        QMetaObject::invokeMethod(this, [this, target, tasks] { emit backupMade(target, tasks); },
                                  Qt::QueuedConnection);
        rotate(moment);
        return true;
    } catch (const Error &e) {
        reportFailure(e.text());
        return false;
    }
}

void BackupService::rotate(DateTime now)
{
    BackupPolicy policy;
    {
        std::lock_guard lock(m_mutex);
        policy = m_policy;
    }
    for (const QString &file : backupsToRemove(backups(true), now, policy)) {
        if (QFile::remove(file))
            qCInfo(lcStore) << "backup rotated out:" << file;
        else
            qCWarning(lcStore) << "backup could not be removed:" << file;
    }
}

void BackupService::reportFailure(const QString &text)
{
    qCWarning(lcStore) << text;
    if (m_failureReported)
        return;
    m_failureReported = true;
    QMetaObject::invokeMethod(this, [this, text] { emit backupFailed(text); }, Qt::QueuedConnection);
}
