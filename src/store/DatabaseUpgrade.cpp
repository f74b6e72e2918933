#include "store/DatabaseUpgrade.h"

#include "core/Clock.h"
#include "core/Error.h"
#include "core/Logging.h"
#include "settings/ProfileStream.h"
#include "store/DataModule.h"
#include "store/FileOperations.h"
#include "store/JetFile.h"
#include "store/Connection.h"
#include "store/Statement.h"
#include "store/TransferText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>

#include <sqlite3.h>

#include <cmath>
#include <limits>
#include <memory>

using namespace transfertext;

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("DatabaseUpgrade", text);
}

// The copy of New.mdb that is filled before it takes the live name.
const QLatin1String WorkFileName("Upgrade.mdb.tmp");

QStringList selectAllTasks()
{
    return {QStringLiteral("select *"), QStringLiteral("from Tasks"), QStringLiteral("order by ID")};
}

// How a column's values are written to and read from the transfer file.
enum class Kind { Integer, Real, Boolean, DateTime, Text };

// The program's own columns by their meaning; other columns by the type the
// table declares for them, as the engine would read it.
Kind kindOf(const QString &name, const QString &declaredType)
{
    if (const FieldInfo *known = TasksTable::find(name)) {
        switch (known->type) {
        case FieldType::Integer: return Kind::Integer;
        case FieldType::Boolean: return Kind::Boolean;
        case FieldType::DateTime: return Kind::DateTime;
        case FieldType::Text: case FieldType::Memo: return Kind::Text;
        case FieldType::Unknown: break;
        }
    }
    const QString type = declaredType.toUpper();
    if (type.contains(QLatin1String("INT")))
        return Kind::Integer;
    if (type.isEmpty() || type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB"))
        || type.contains(QLatin1String("TEXT")) || type.contains(QLatin1String("BLOB")))
        return Kind::Text;
    return Kind::Real;
}

// The declared types of the Tasks table's columns, by folded name.
QHash<QString, QString> declaredTypes(sqlite3 *db)
{
    QHash<QString, QString> types;
    Statement info(db, QStringLiteral("PRAGMA table_info(Tasks)"));
    const int name = info.columnIndex(QStringLiteral("name")), type = info.columnIndex(QStringLiteral("type"));
    while (info.step())
        types.insert(info.value(name).toString().toCaseFolded(), info.value(type).toString());
    return types;
}

QList<Kind> kindsOf(const Query &query, sqlite3 *db)
{
    const QHash<QString, QString> types = declaredTypes(db);
    QList<Kind> kinds;
    for (int c = 0; c < query.fieldCount(); ++c) {
        const QString &name = query.fieldInfo(c).name;
        kinds << kindOf(name, types.value(name.toCaseFolded()));
    }
    return kinds;
}

bool isWholeNumber(const QVariant &v)
{
    return v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int;
}

bool isNumber(const QVariant &v)
{
    return isWholeNumber(v) || v.typeId() == QMetaType::Double;
}

// A stored value as the transfer file holds it; null is the empty value.
QString exportText(Kind kind, const QVariant &value, const QString &task, const QString &column)
{
    if (value.isNull())
        return QString();
    if (isWholeNumber(value)) {
        const qint64 n = value.toLongLong();
        if (kind == Kind::Boolean && (n == 0 || n == 1))
            return QLatin1String(n ? "True" : "False");
        return kind == Kind::DateTime ? dateTimeText(double(n)) : QString::number(n);
    }
    if (value.typeId() == QMetaType::Double)
        return kind == Kind::DateTime ? dateTimeText(value.toDouble()) : realText(value.toDouble());
    if (value.typeId() == QMetaType::QString)
        return encodeText(value.toString());
    throw Error(tr("Task %1 holds binary data in the column %2, which cannot be carried over.").arg(task, column));
}

// The value a column receives for a text of the transfer file. A text that
// is not of the column's kind is stored as the text it is, as the old
// database held it.
QVariant importValue(Kind kind, const QString &text)
{
    if (text.isEmpty())
        return QVariant();
    bool ok = false;
    switch (kind) {
    case Kind::Boolean:
    case Kind::Integer:
        if (text == QLatin1String("True") || text == QLatin1String("False"))
            return qint64(text == QLatin1String("True") ? 1 : 0);
        [[fallthrough]];
    case Kind::Real:
        if (const qint64 n = text.toLongLong(&ok); ok)
            return n;
        if (const double d = text.toDouble(&ok); ok)
            return d;
        break;
    case Kind::DateTime:
        if (const std::optional<double> days = parseDateTime(text))
            return *days;
        break;
    case Kind::Text:
        break;
    }
    return decodeText(text);
}

bool sameValue(const QVariant &intended, const QVariant &stored)
{
    if (intended.isNull() || stored.isNull())
        return intended.isNull() && stored.isNull();
    if (isNumber(intended) != isNumber(stored))
        return false;
    if (isWholeNumber(intended) && isWholeNumber(stored))
        return intended.toLongLong() == stored.toLongLong();
    if (isNumber(intended))
        return intended.toDouble() == stored.toDouble();
    return intended.toString() == stored.toString();
}

// The position of a row in a run of rows as a whole percentage, halves
// rounded to the even neighbour.
int percentOf(qsizetype position, qsizetype count)
{
    return count <= 0 ? 100 : int(std::nearbyint(100.0 * double(position) / double(count)));
}

// Adds rows to the table a query reads, one prepared statement serving
// every row that sets the same columns. Columns a row does not set keep
// their defaults.
class RowInserter
{
public:
    RowInserter(sqlite3 *db, const Query &table) : m_db(db), m_table(table) {}

    // Returns the new row's ID.
    qint64 insert(const QList<int> &columns, const QVariantList &values)
    {
        if (!m_statement || columns != m_columns) {
            QStringList names;
            for (int c : columns)
                names << m_table.fieldInfo(c).name;
            const QString sql = names.isEmpty()
                ? QStringLiteral("insert into Tasks default values")
                : QStringLiteral("insert into Tasks (%1) values (%2)")
                      .arg(names.join(QLatin1Char(',')), QStringList(names.size(), QStringLiteral("?")).join(QLatin1Char(',')));
            m_statement = std::make_unique<Statement>(m_db, sql);
            m_columns = columns;
        } else {
            m_statement->reset();
        }
        for (const QVariant &v : values)
            m_statement->bind(v);
        m_statement->execute();
        return m_statement->lastInsertId();
    }

private:
    sqlite3 *m_db;
    const Query &m_table;
    QList<int> m_columns;
    std::unique_ptr<Statement> m_statement;
};

// A database file opened for a check, closed again on every path.
class CheckedDatabase
{
public:
    explicit CheckedDatabase(const QString &path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            throw Error(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
    ~CheckedDatabase() { sqlite3_close(m_db); }
    CheckedDatabase(const CheckedDatabase &) = delete;
    CheckedDatabase &operator=(const CheckedDatabase &) = delete;
    sqlite3 *handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

void removeDatabaseFiles(const QString &path)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

} // namespace

bool DatabaseUpgrade::isPending(const QString &dataFolder)
{
    return QFileInfo::exists(QDir(dataFolder).filePath(newFileName()));
}

DatabaseUpgrade::DatabaseUpgrade(TDM &dm, const Clock &clock, const QString &dataFolder, FileOperations &files,
                                 QObject *parent)
    : QObject(parent), m_dm(dm), m_clock(clock), m_folder(dataFolder), m_files(files)
{
}

QString DatabaseUpgrade::filePath(const QString &name) const
{
    return QDir(m_folder).filePath(name);
}

void DatabaseUpgrade::run()
{
    const QString work = filePath(WorkFileName);
    const QString live = filePath(liveFileName());
    bool refused = false;
    try {
        copyNewDatabase(work, refused);
        m_dm.ADOConnection.setDatabaseFile(live);
        ExportTasks();
        m_dm.ADOConnection.setDatabaseFile(work);
        ImportTasks();
        verifyImport(live);
        swap(work);
    } catch (const Error &e) {
        cleanUp(work);
        qCInfo(lcStore) << "database upgrade not done:" << e.text();
        if (refused)
            throw Error(tr("%1 cannot be used to upgrade the database: %2\n\n"
                           "Nothing was changed: your tasks stay in %3. Replace %1 with the database "
                           "of the new release, or remove it.")
                            .arg(newFileName(), e.text(), liveFileName()));
        throw Error(tr("The database upgrade did not complete: %1\n\n"
                       "Nothing was lost: your tasks stay in %2 as they were, and %3 is kept, so the "
                       "upgrade runs again at the next start.")
                        .arg(e.text(), liveFileName(), newFileName()));
    }
    cleanUp(work);
    qCInfo(lcStore) << "upgraded the database with" << m_exported << "tasks; the old one is" << m_backupFile;

    QFile fresh(filePath(newFileName()));
    if (!fresh.remove())
        throw Error(tr("The database was upgraded and the old one kept as %1, but %2 could not be removed: %3\n\n"
                       "Remove %2, or the upgrade runs again at the next start.")
                        .arg(QFileInfo(m_backupFile).fileName(), newFileName(), fresh.errorString()));
}

// New.mdb itself is only read: the tasks go into a copy of it, which must be
// a database with a Tasks table.
void DatabaseUpgrade::copyNewDatabase(const QString &workFile, bool &refused)
{
    removeDatabaseFiles(workFile);
    // The Windows version's database has the same name but is no layout of
    // this version; its tasks are added through the import instead.
    if (jetfile::isJetFile(filePath(newFileName()))) {
        refused = true;
        throw Error(tr("it is a database of the Windows version, not an empty database of a new release. "
                       "To add its tasks, use \"Import Tasks from a Windows Database…\" in the File menu."));
    }
    QFile fresh(filePath(newFileName()));
    if (!fresh.copy(workFile))
        throw Error(tr("%1 cannot be copied to %2: %3").arg(newFileName(), workFile, fresh.errorString()));
    // The copy becomes the live database: for its owner only before any
    // task goes in.
    if (!QFile::setPermissions(workFile, QFile::ReadOwner | QFile::WriteOwner)) {
        removeDatabaseFiles(workFile);
        throw Error(tr("%1 cannot be made private to you.").arg(workFile));
    }
    try {
        CheckedDatabase db(workFile);
        Statement tables(db.handle(), QStringLiteral("select count(*) from sqlite_master "
                                                     "where type = 'table' and name = 'Tasks' collate nocase"));
        if (!tables.step() || tables.value(0).toLongLong() == 0)
            throw Error(tr("it has no Tasks table"));
    } catch (const Error &e) {
        removeDatabaseFiles(workFile);
        refused = true;
        throw Error(tr("it is not a task database (%1).").arg(e.text()));
    }
    // A release leaves an empty database; one that holds tasks (another
    // copy's, or a live database renamed) would mix its tasks into the user's.
    qint64 held = 0;
    try {
        CheckedDatabase db(workFile);
        Statement count(db.handle(), QStringLiteral("select count(*) from Tasks"));
        held = count.step() ? count.value(0).toLongLong() : 0;
    } catch (const Error &e) {
        removeDatabaseFiles(workFile);
        refused = true;
        throw Error(tr("its tasks cannot be read (%1).").arg(e.text()));
    }
    if (held > 0) {
        removeDatabaseFiles(workFile);
        refused = true;
        throw Error(tr("it already holds %1 tasks, but the database of a new release is empty; "
                       "its tasks would be added to yours.").arg(held));
    }
}

void DatabaseUpgrade::ExportTasks()
{
    Query &tasks = m_dm.qExport;
    const auto closeAll = qScopeGuard([&] {
        tasks.close();
        m_dm.ADOConnection.close();
    });
    tasks.close();
    tasks.setSql(selectAllTasks());
    tasks.open();
    const int idColumn = tasks.fieldIndex(QStringLiteral("ID"));
    if (idColumn < 0)
        throw Error(tr("The Tasks table has no ID column."));
    const QList<Kind> kinds = kindsOf(tasks, m_dm.ADOConnection.handle());

    const QString path = filePath(transferFileName());
    QFile old(path);
    if (old.exists() && !old.remove())
        throw Error(tr("Cannot remove %1: %2").arg(path, old.errorString()));

    ProfileWriter transfer(path);
    m_exported = tasks.recordCount();
    for (int row = 0; row < m_exported; ++row) {
        emit exportProgress(percentOf(row + 1, m_exported));
        const QString section = QString::number(tasks.valueAt(row, idColumn).toLongLong());
        transfer.beginSection(section);
        for (int c = 0; c < tasks.fieldCount(); ++c) {
            if (c == idColumn)
                continue;
            const QString &name = tasks.fieldInfo(c).name;
            transfer.writeValue(name, exportText(kinds.at(c), tasks.valueAt(row, c), section, name));
        }
    }
    transfer.commit();
}

void DatabaseUpgrade::ImportTasks()
{
    Query &columns = m_dm.qExport;
    Query &table = m_dm.tImport;
    const QString path = filePath(transferFileName());
    const auto closeAll = qScopeGuard([&] {
        columns.close();
        table.close();
        m_dm.ADOConnection.close();
        QFile::remove(path);
    });

    // The new table's columns, each with the column of tImport it is set in.
    columns.close();
    columns.setSql(selectAllTasks());
    columns.open();
    table.close();
    table.open();
    const QList<Kind> kinds = kindsOf(table, m_dm.ADOConnection.handle());
    const int idColumn = table.fieldIndex(QStringLiteral("ID"));
    QHash<QString, int> byName;
    for (int c = 0; c < columns.fieldCount(); ++c) {
        const int target = table.fieldIndex(columns.fieldInfo(c).name);
        if (target >= 0 && target != idColumn)
            byName.insert(columns.fieldInfo(c).name.toCaseFolded(), target);
    }

    ProfileReader transfer(path);
    RowInserter inserter(m_dm.ADOConnection.handle(), table);
    m_firstImportedId = -1;
    m_dm.ADOConnection.transaction([&] {
        int imported = 0;
        QList<int> set;
        QVariantList values;
        QList<std::pair<QString, int>> lastKeys;
        while (transfer.nextSection()) {
            emit importProgress(percentOf(++imported, m_exported));
            set.clear();
            values.clear();
            const auto &entries = transfer.entries();
            for (qsizetype e = 0; e < entries.size(); ++e) {
                const auto &[key, text] = entries.at(e);
                // Sections repeat the same keys in the same order.
                if (e >= lastKeys.size())
                    lastKeys.resize(e + 1, {QString(), -1});
                if (lastKeys.at(e).first != key)
                    lastKeys[e] = {key, byName.value(key.toCaseFolded(), -1)};
                const int c = lastKeys.at(e).second;
                if (c >= 0 && !set.contains(c)) {
                    set << c;
                    values << importValue(kinds.at(c), text);
                }
            }
            const qint64 id = inserter.insert(set, values);
            if (m_firstImportedId < 0)
                m_firstImportedId = id;
        }
        if (imported != m_exported)
            throw Error(tr("%1 holds %2 tasks, but %3 were exported.")
                            .arg(transferFileName()).arg(imported).arg(m_exported));
    });
}

// Reads the new tasks back and compares every value with the task of the
// old database it came from, as the transfer file should have carried it,
// so that a value changed or dropped on the way is found before the new
// database is put in place.
void DatabaseUpgrade::verifyImport(const QString &oldFile)
{
    Connection old;
    old.setDatabaseFile(oldFile);
    Statement from(old.handle(), selectAllTasks().join(QLatin1Char(' ')));
    Statement to(m_dm.ADOConnection.handle(), QStringLiteral("select * from Tasks where ID >= ? order by ID"));
    to.bind(m_firstImportedId < 0 ? std::numeric_limits<qint64>::max() : m_firstImportedId);

    struct Pair { int from, to; Kind fromKind, toKind; QString name; };
    QList<Pair> pairs;
    const QHash<QString, QString> fromTypes = declaredTypes(old.handle());
    const QHash<QString, QString> toTypes = declaredTypes(m_dm.ADOConnection.handle());
    int idColumn = -1;
    for (int c = 0; c < from.columnCount(); ++c) {
        const QString name = from.columnName(c);
        const int target = to.columnIndex(name);
        if (name.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0)
            idColumn = c;
        else if (target >= 0)
            pairs.append({c, target, kindOf(name, fromTypes.value(name.toCaseFolded())),
                          kindOf(name, toTypes.value(name.toCaseFolded())), name});
    }

    int compared = 0;
    for (; from.step(); ++compared) {
        const QString task = from.value(idColumn).toString();
        if (!to.step())
            throw Error(tr("Task %1 is missing from the new database.").arg(task));
        for (const Pair &p : pairs) {
            const QVariant intended = importValue(p.toKind, exportText(p.fromKind, from.value(p.from), task, p.name));
            const QVariant stored = to.value(p.to);
            if (!sameValue(intended, stored))
                throw Error(tr("Task %1 did not arrive unchanged: its %2 reads \"%3\" instead of \"%4\".")
                                .arg(task, p.name, stored.toString(), intended.toString()));
        }
    }
    if (to.step() || compared != m_exported)
        throw Error(tr("The new database does not hold the %1 exported tasks.").arg(m_exported));
}

// A database file may be renamed only when everything is in the file
// itself: a log still beside it would be left behind, or read into the
// wrong database.
void DatabaseUpgrade::closeForRename(const QString &file)
{
    m_dm.ADOConnection.close();
    const QFileInfo log(file + QStringLiteral("-wal"));
    if (log.exists() && log.size() > 0)
        throw Error(tr("%1 is still in use by another program.").arg(QFileInfo(file).fileName()));
}

void DatabaseUpgrade::swap(const QString &workFile)
{
    const QString live = filePath(liveFileName());
    closeForRename(workFile);
    closeForRename(live);
    const QString backup = filePath(backupFileName(m_clock.now()));
    m_files.keepAs(live, backup);
    try {
        m_files.replace(workFile, live);
    } catch (const Error &) {
        QFile::remove(backup); // the live name still holds the old database
        throw;
    }
    m_backupFile = backup;
}

void DatabaseUpgrade::cleanUp(const QString &workFile)
{
    m_dm.qExport.close();
    m_dm.tImport.close();
    m_dm.ADOConnection.setDatabaseFile(filePath(liveFileName()));
    removeDatabaseFiles(workFile);
    QFile::remove(filePath(transferFileName()));
}
