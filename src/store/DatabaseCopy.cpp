#include "store/DatabaseCopy.h"

#include "core/Error.h"
#include "core/Logging.h"
#include "core/PrivateFiles.h"
#include "store/BackupName.h"
#include "store/TasksTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace databasecopy {

namespace {

// Pages copied per step; small enough that progress is reported often, large
// enough that the copy is not slowed by the steps themselves.
constexpr int PagesPerStep = 2048;
constexpr int BusyTimeoutMs = 2000;

// An engine failure, with the engine's primary result code kept so callers
// can tell a busy or unreadable file from a damaged one.
class EngineError : public Error
{
public:
    EngineError(const QString &text, int code) : Error(text), m_code(code & 0xff) {}
    int code() const { return m_code; }

private:
    int m_code;
};

// One engine connection owned for the length of a copy, or one borrowed
// from its owner for a check.
class Db
{
public:
    explicit Db(sqlite3 *borrowed) : m_db(borrowed), m_owned(false) {}
    Db(const QString &file, int flags)
    {
        const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, flags, nullptr);
        if (rc != SQLITE_OK) {
            const QString why = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
            const int code = m_db ? sqlite3_errcode(m_db) : rc;
            sqlite3_close_v2(m_db);
            m_db = nullptr;
            throw EngineError(QStringLiteral("\"%1\" cannot be opened: %2").arg(QDir::toNativeSeparators(file), why),
                              code);
        }
        sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    }
    ~Db()
    {
        if (m_owned)
            sqlite3_close_v2(m_db);
    }
    Db(const Db &) = delete;
    Db &operator=(const Db &) = delete;

    sqlite3 *handle() const { return m_db; }
    QString errorText() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }
    EngineError failure() const { return EngineError(errorText(), sqlite3_errcode(m_db)); }

    void exec(const char *sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw failure();
    }

    // The first column of the first row, as text; empty when no row.
    QString text(const char *sql)
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK)
            throw failure();
        const int rc = sqlite3_step(stmt);
        QString value;
        if (rc == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            EngineError error = failure();
            sqlite3_finalize(stmt);
            throw error;
        }
        sqlite3_finalize(stmt);
        return value;
    }

    qint64 number(const char *sql) { return text(sql).toLongLong(); }

private:
    sqlite3 *m_db = nullptr;
    bool m_owned = true;
};

// Runs a whole backup from src into dest, in slices.
void runBackup(Db &dest, Db &src, const CopyHooks *hooks)
{
    sqlite3_backup *backup = sqlite3_backup_init(dest.handle(), "main", src.handle(), "main");
    if (!backup)
        throw Error(dest.errorText());
    int rc = SQLITE_OK;
    while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        rc = sqlite3_backup_step(backup, PagesPerStep);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            sqlite3_sleep(20);
        else if (rc == SQLITE_OK && hooks && hooks->progress)
            hooks->progress(sqlite3_backup_remaining(backup), sqlite3_backup_pagecount(backup));
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        throw Error(QString::fromUtf8(sqlite3_errstr(rc)));
}

bool syncFile(const QString &file)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

void removeWithJournals(const QString &file)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(file + QLatin1String(suffix));
}

// Why an open database cannot be used, or nothing; the engine's own report
// of a failed check (up to a hundred lines) goes to details.
QString checkOpen(Db &db, QString &details)
{
    const QString check = db.text("PRAGMA quick_check");
    if (check != QLatin1String("ok")) {
        details = check;
        return QStringLiteral("the engine's check finds it damaged.");
    }
    if (db.number("select count(*) from sqlite_master where type = 'table' and name = 'Tasks'") != 1)
        return QStringLiteral("it holds no task list.");
    // A table of that name without the task columns is no task list either;
    // put in place of the live file it would break every query.
    QStringList columns;
    for (const FieldInfo &field : TasksTable::fields())
        columns << QLatin1Char('\'') + field.name + QLatin1Char('\'');
    const QByteArray present = QStringLiteral("select count(*) from pragma_table_info('Tasks') where name collate nocase in (%1)")
                                   .arg(columns.join(QLatin1Char(',')))
                                   .toUtf8();
    if (db.number(present.constData()) != TasksTable::fields().size())
        return QStringLiteral("its task list lacks columns.");
    return {};
}

} // namespace

qint64 copyDatabase(const QString &source, const QString &target, const CopyHooks &hooks)
{
    const QString partial = target + PartialSuffix;
    removeWithJournals(partial);
    const auto fail = [&](const QString &why) {
        removeWithJournals(partial);
        return Error(QStringLiteral("The backup \"%1\" could not be written: %2")
                         .arg(QDir::toNativeSeparators(target), why));
    };
    if (QFileInfo::exists(target))
        throw Error(QStringLiteral("The backup \"%1\" exists already.").arg(QDir::toNativeSeparators(target)));

    qint64 tasks = 0;
    try {
        Db src(source, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
        // A copy of the tasks is for its owner only, from its first byte.
        if (!privatefiles::createEmptyFile(partial))
            throw Error(QString::fromLocal8Bit(std::strerror(errno)));
        {
            Db dest(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
            // A read transaction fixes the state of the source; the backup
            // steps below run inside it.
            // Written without syncs: the finished file is synced once below,
            // before it takes its final name.
            dest.exec("PRAGMA synchronous = OFF");
            src.exec("BEGIN");
            try {
                // The first read fixes the state of the source for the whole
                // read transaction.
                src.number("select count(*) from sqlite_master");
                if (hooks.snapshotTaken)
                    hooks.snapshotTaken();
                tasks = src.number("select count(*) from Tasks");
                runBackup(dest, src, &hooks);
            } catch (...) {
                sqlite3_exec(src.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
                throw;
            }
            src.exec("COMMIT");

            // The copy is one self-contained file: no write-ahead log beside it.
            if (dest.text("PRAGMA journal_mode = DELETE").compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
                throw Error(QStringLiteral("its journal mode cannot be set."));
            const QString integrity = dest.text("PRAGMA quick_check");
            if (integrity != QLatin1String("ok"))
                throw Error(QStringLiteral("the copy fails its check: %1").arg(integrity));
            const qint64 copied = dest.number("select count(*) from Tasks");
            if (copied != tasks)
                throw Error(QStringLiteral("the copy holds %1 tasks instead of %2.").arg(copied).arg(tasks));
        }
        if (!(hooks.syncToDisk ? hooks.syncToDisk(partial) : syncFile(partial)))
            throw Error(QStringLiteral("the copy cannot be written to the disk."));
        if (!QFile::rename(partial, target))
            throw Error(QStringLiteral("the finished copy cannot be renamed."));
    } catch (const Error &e) {
        throw fail(e.text());
    }
    return tasks;
}

void restoreDatabase(const QString &backup, const QString &live)
{
    const Health health = checkDatabase(backup);
    if (health.state != Health::State::Good)
        throw Error(QStringLiteral("The backup \"%1\" cannot be restored: %2")
                        .arg(QDir::toNativeSeparators(backup),
                             health.state == Health::State::Missing ? QStringLiteral("it does not exist.")
                                                                    : health.reason));
    try {
        Db src(backup, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
        Db dest(live, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
        runBackup(dest, src, nullptr);
        if (dest.number("select count(*) from Tasks") != health.taskCount)
            throw Error(QStringLiteral("the restored database does not hold the backup's tasks."));
    } catch (const Error &e) {
        throw Error(QStringLiteral("The backup \"%1\" could not be restored: %2")
                        .arg(QDir::toNativeSeparators(backup), e.text()));
    }
}

Health checkDatabase(const QString &file)
{
    Health health;
    const QFileInfo info(file);
    if (!info.exists())
        return health;
    health.state = Health::State::Damaged;
    if (!info.isFile()) {
        health.reason = QStringLiteral("it is not a file.");
        return health;
    }
    if (!info.isReadable()) {
        health.state = Health::State::Unreadable;
        health.reason = QStringLiteral("permission to read it is denied.");
        return health;
    }
    if (info.size() == 0) {
        health.reason = QStringLiteral("the file is empty.");
        return health;
    }
    try {
        // A database in write-ahead mode is read best with write access (for
        // its shared-memory index); nothing is written by the checks.
        Db db(file, (info.isWritable() ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX);
        health.reason = checkOpen(db, health.details);
        if (health.reason.isEmpty()) {
            health.state = Health::State::Good;
            health.taskCount = db.number("select count(*) from Tasks");
        }
    } catch (const EngineError &e) {
        // Only the engine's own verdict makes a file damaged; a lock held by
        // another program or a refused open says nothing about the content.
        health.reason = e.text();
        switch (e.code()) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_FORMAT:
            break;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            health.state = Health::State::Busy;
            break;
        default:
            health.state = Health::State::Unreadable;
            break;
        }
    } catch (const Error &e) {
        health.reason = e.text();
    }
    return health;
}

QString problemOf(sqlite3 *handle, QString &details)
{
    Db db(handle);
    QString problem;
    try {
        problem = checkOpen(db, details);
    } catch (const EngineError &e) {
        problem = e.text();
    }
    // The check read every page; the connection need not keep them cached.
    sqlite3_db_release_memory(handle);
    return problem;
}

qint64 taskCount(const QString &file)
{
    try {
        Db db(file, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
        return db.number("select count(*) from Tasks");
    } catch (const Error &) {
        return -1;
    }
}

QString setAside(const QString &file, DateTime moment)
{
    const QFileInfo info(file);
    const QString stamp = backupname::fileName(moment).mid(int(qstrlen("Nudgewick.")));
    QString aside = info.dir().filePath(info.completeBaseName() + QStringLiteral(".damaged.") + stamp);
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = info.dir().filePath(info.completeBaseName() + QStringLiteral(".damaged.%1.").arg(n) + stamp);
    if (info.exists() && !QFile::rename(file, aside))
        throw Error(QStringLiteral("The damaged database \"%1\" cannot be moved aside.")
                        .arg(QDir::toNativeSeparators(file)));
    // Journal files belong to the damaged file; left behind they would be
    // applied to whatever takes its name.
    for (const char *suffix : {"-journal", "-wal", "-shm"})
        if (QFileInfo::exists(file + QLatin1String(suffix)))
            QFile::rename(file + QLatin1String(suffix), aside + QLatin1String(suffix));
    qCWarning(lcStore) << "damaged database kept as" << aside;
    return aside;
}

} // namespace databasecopy
