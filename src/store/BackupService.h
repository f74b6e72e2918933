#pragma once

#include "store/BackupRotation.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class Clock;
class QTimer;

// Why a backup is made; its log line says so.
enum class BackupReason { Daily, Exit, BulkChange, Upgrade, Import, BeforeRestore };

// Rolling backups of the task database in a folder of their own. Copies,
// rotation and restores run one after the other on a worker thread with
// their own connections; results come back as signals on the thread that
// owns the service.
class BackupService : public QObject
{
    Q_OBJECT
public:
    BackupService(const Clock &clock, const QString &databaseFile, const QString &backupFolder,
                  QObject *parent = nullptr);
    ~BackupService() override; // waits for the work under way

    const QString &backupFolder() const { return m_folder; }
    void setPolicy(const BackupPolicy &policy);
    // Off: no backup is made by any trigger; restore still works.
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEnabled() const { return m_enabled; }
    // How many changes the program's connection has made so far; compared at
    // exit with its value at the last backup.
    void setChangeCounter(std::function<qint64()> counter) { m_changeCounter = std::move(counter); }
    // The changes counted so far are not the user's (opening the database
    // writes the connection's own bookkeeping): only later ones make the
    // exit back up.
    void countChangesFromNow() { m_changesAtBackup = m_changeCounter ? m_changeCounter() : 0; }

    // Starts a backup and returns once it holds a consistent state of the
    // database: a change made after the call is not in the backup.
    void backupNow(BackupReason reason);
    // A backup at the first start of a day (and at midnight while running).
    void backupIfNewDay();
    // A backup when the database changed since the last one (at exit).
    void backupIfChanged();
    // Backs up the current database, then replaces its content with that of
    // the backup file; restoreFinished or restoreFailed follows.
    void restore(const QString &backupFile);
    // Blocks until every queued piece of work is done.
    void waitForIdle();
    bool isBusy() const;

    // The backups in the folder, newest first; with their task counts when asked.
    QList<BackupEntry> backups(bool withTaskCounts) const;

signals:
    void backupMade(const QString &file, qint64 taskCount);
    // Reported once: until a backup succeeds again, further failures only log.
    void backupFailed(const QString &text);
    void restoreFinished(const QString &backupFile);
    void restoreFailed(const QString &text);

private:
    using Job = std::function<void()>;
    void enqueue(Job job);
    void run();
    void scheduleMidnight();
    // Worker side.
    bool makeBackup(DateTime moment, BackupReason reason, const std::function<void()> &snapshotTaken);
    void rotate(DateTime now);
    void reportFailure(const QString &text);
    void backupAndWaitForSnapshot(BackupReason reason);

    const Clock &m_clock;
    QString m_database;
    QString m_folder;
    bool m_enabled = true;
    std::function<qint64()> m_changeCounter;
    qint64 m_changesAtBackup = 0;
    bool m_changedOutside = false; // a restore changed the database
    QDate m_lastBackupDay;          // of the last backup started here
    QTimer *m_midnight = nullptr;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    BackupPolicy m_policy;   // guarded by m_mutex
    bool m_working = false;  // guarded by m_mutex
    bool m_stop = false;     // guarded by m_mutex
    bool m_failureReported = false; // worker only
    // Task counts of backup files, which never change once written; keyed by
    // path, kept with the file's modification time.
    struct KnownCount
    {
        QDateTime modified;
        qint64 tasks;
    };
    mutable std::mutex m_countsMutex;
    mutable QHash<QString, KnownCount> m_counts;
    qint64 countOf(const QString &file) const;
    std::thread m_thread;
};
