#include "store/Connection.h"

#include "core/Error.h"
#include "core/Logging.h"
#include "core/PrivateFiles.h"
#include "store/AnchorDays.h"
#include "store/DatabaseCopy.h"
#include "store/Statement.h"
#include "store/TasksTable.h"
#include "store/TextFunctions.h"
#include "store/UndoJournal.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

namespace {
QAtomicInt connectionCounter;

QString engineText(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.trimmed();
}
}

// Qt's connection names are shared by the whole process, the modules too,
// and each module has a counter of its own: the address keeps the name of a
// live connection its own.
Connection::Connection()
    : m_name(QStringLiteral("nudgewick-%1-%2")
                 .arg(connectionCounter.fetchAndAddRelaxed(1))
                 .arg(quintptr(this), 0, 16))
{
}

Connection::~Connection()
{
    close();
    QSqlDatabase::removeDatabase(m_name);
}

void Connection::setDatabaseFile(const QString &path)
{
    close();
    m_file = path;
}

bool Connection::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

void Connection::open(OpenCheck check)
{
    if (isOpen())
        return;
    if (m_file.isEmpty())
        throw Error(QStringLiteral("No database file is set."));

    const QFileInfo info(m_file);
    const auto fail = [this](const QString &why) {
        close();
        return Error(QStringLiteral("The task database \"%1\" cannot be opened: %2")
                         .arg(QFileInfo(m_file).absoluteFilePath(), why));
    };
    if (info.exists() && !info.isFile())
        throw fail(QStringLiteral("it is not a file."));
    if (info.exists() && !info.isReadable())
        throw fail(QStringLiteral("the file cannot be read."));
    // The tasks are the user's alone: a new database is made for its owner
    // only (the engine gives its journal files the same mode), and one that
    // others could read is narrowed.
    if (!info.exists()) {
        privatefiles::createEmptyFile(m_file); // when it cannot, the engine says why below
    } else {
        for (const char *suffix : {"", "-wal", "-shm", "-journal"})
            if (QFileInfo::exists(m_file + QLatin1String(suffix)))
                privatefiles::narrowToOwner(m_file + QLatin1String(suffix));
    }

    QSqlDatabase db = QSqlDatabase::contains(m_name) ? QSqlDatabase::database(m_name, false)
                                                     : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(m_file);
    // A lock held by another program is waited for a moment before it counts
    // as an error.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (!db.open())
        throw fail(engineText(db.lastError()));

    // Reading the schema is the first real access to the file: it fails for
    // a file that is not a database or that another program has locked.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("PRAGMA schema_version")) || !probe.next())
        throw fail(engineText(probe.lastError()));
    probe.finish();
    if (!probe.exec(QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = 'Tasks'"))
        || !probe.next())
        throw fail(engineText(probe.lastError()));
    const bool fresh = probe.value(0).toInt() == 0;
    probe.finish();
    if (check == OpenCheck::Health) {
        QString details;
        if (const QString problem = databasecopy::problemOf(handle(), details); !problem.isEmpty())
            throw fail(problem);
    }

    try {
        exec(QStringLiteral("PRAGMA foreign_keys = ON"));
        registerTextFunctions(handle());
        if (fresh) {
            transaction([&] {
                for (const QString &statement : TasksTable::schemaStatements() + anchordays::schemaStatements()
                                                     + undojournal::schemaStatements())
                    exec(statement);
                exec(QStringLiteral("PRAGMA user_version = %1").arg(TasksTable::SchemaVersion));
            });
            qCInfo(lcStore) << "created the task database" << m_file;
        } else {
            addMissingIndexes();
        }
        QSqlQuery wal(db);
        wal.exec(QStringLiteral("PRAGMA journal_mode = WAL")); // best effort: a read-only file keeps its mode
        // Every view reads the keys and order columns of all its tasks in
        // one pass (sorted in memory), then the rows the grid shows a page
        // at a time by key: a page cache that holds a large list keeps both
        // reads off the disk from one view to the next.
        exec(QStringLiteral("PRAGMA cache_size = -65536"));
        exec(QStringLiteral("PRAGMA temp_store = MEMORY"));
        prepareJournal();
    } catch (const Error &e) {
        throw fail(e.text());
    }
}

void Connection::close()
{
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::database(m_name, false).close();
}

QSqlDatabase Connection::database()
{
    open();
    return QSqlDatabase::database(m_name, false);
}

sqlite3 *Connection::handle()
{
    const QVariant handle = database().driver()->handle();
    return *static_cast<sqlite3 *const *>(handle.constData());
}

qint64 Connection::totalChanges() const
{
    if (!isOpen())
        return 0;
    const QVariant handle = QSqlDatabase::database(m_name, false).driver()->handle();
    return sqlite3_total_changes64(*static_cast<sqlite3 *const *>(handle.constData()));
}

void Connection::exec(const QString &sql)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (!q.exec(sql))
        throw Error(engineText(q.lastError()));
}

// Best effort: a read-only file, or a table that lacks an indexed column,
// still opens, only without the speed the index gives.
void Connection::addMissingIndexes()
{
    for (const QString &statement : TasksTable::indexStatements()) {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        if (!q.exec(statement))
            qCWarning(lcStore) << "cannot add an index to" << m_file << engineText(q.lastError());
    }
}

// Best effort, like the indexes: a file that cannot take the journal's
// tables (read-only, or a Tasks table of another layout) opens and works,
// only without undo. So does one that cannot take the table of the days
// tasks keep (their steps then keep the day they start from). A file made
// before either, or one a restore brought back, gains them here.
void Connection::prepareJournal()
{
    m_journalled = false;
    for (const QString &statement : anchordays::schemaStatements() + undojournal::schemaStatements()) {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        if (!q.exec(statement))
            qCWarning(lcStore) << "cannot add the undo journal or the kept days to" << m_file
                               << engineText(q.lastError());
    }
    m_journalled = undojournal::installRecorder(handle());
}

void Connection::begin()
{
    if (m_depth == 0 && !sqlite3_get_autocommit(handle()))
        throw Error(QStringLiteral("A transaction is already open on the task database."));
    exec(m_depth == 0 ? QStringLiteral("BEGIN") : QStringLiteral("SAVEPOINT nested%1").arg(m_depth));
    ++m_depth;
}

void Connection::commit()
{
    if (m_depth == 1) {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        if (!q.exec(QStringLiteral("COMMIT"))) {
            const QString text = engineText(q.lastError());
            rollback();
            throw Error(text);
        }
        m_depth = 0;
        if (m_stepRecorded) {
            m_stepRecorded = false;
            notifyJournalChanged();
        }
        return;
    }
    --m_depth;
    exec(QStringLiteral("RELEASE nested%1").arg(m_depth));
}

void Connection::rollback()
{
    if (m_depth <= 1) {
        m_depth = 0;
        m_stepRecorded = false;
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        q.exec(QStringLiteral("ROLLBACK"));
        return;
    }
    --m_depth;
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.exec(QStringLiteral("ROLLBACK TO nested%1").arg(m_depth));
    q.exec(QStringLiteral("RELEASE nested%1").arg(m_depth));
}

void Connection::openStep(const QString &label)
{
    undojournal::openStep(handle(), label);
}

void Connection::closeStep()
{
    undojournal::closeStep(handle());
    m_stepRecorded = true;
}

Connection::ChangeStamp Connection::changeStamp()
{
    sqlite3 *db = handle();
    Statement version(db, QStringLiteral("PRAGMA data_version"));
    ChangeStamp stamp;
    if (version.step())
        stamp.otherCommits = version.value(0).toLongLong();
    stamp.ownChanges = sqlite3_total_changes64(db);
    return stamp;
}
