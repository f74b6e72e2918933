#include "store/TaskImport.h"

#include "core/Error.h"
#include "core/Logging.h"
#include "store/Connection.h"
#include "store/Statement.h"
#include "store/TaskSource.h"
#include "store/TasksTable.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <cmath>

namespace taskimport {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TaskImport", text);
}

// Progress is reported every so many rows: often enough for a moving bar,
// rarely enough to cost nothing.
constexpr qint64 ProgressStep = 500;

// Which source column goes where.
struct Plan
{
    int idColumn = -1;          // the source's ID, -1 when it has none
    int taskColumn = -1;        // Task and TaskCreated, for finding duplicates
    int createdColumn = -1;
    QList<int> columns;         // source columns that are stored
    QList<FieldType> types;     // and the type of their target column
    QStringList names;          // target column names, as the table spells them
    QStringList ignored;
};

Plan planFor(const QStringList &sourceColumns)
{
    Plan plan;
    QSet<QString> seen;
    for (int c = 0; c < sourceColumns.size(); ++c) {
        const FieldInfo *field = TasksTable::find(sourceColumns.at(c));
        if (!field || seen.contains(field->name)) {
            plan.ignored << sourceColumns.at(c);
            continue;
        }
        seen.insert(field->name);
        if (field->name == u"ID") {
            plan.idColumn = c;
            continue;
        }
        if (field->name == u"Task")
            plan.taskColumn = c;
        else if (field->name == u"TaskCreated")
            plan.createdColumn = c;
        plan.columns << c;
        plan.types << field->type;
        plan.names << field->name;
    }
    if (!plan.ignored.isEmpty())
        qCWarning(lcStore) << "import leaves out the unknown columns" << plan.ignored;
    return plan;
}

bool isNumber(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::LongLong: case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

// The value a target column of that type receives.
QVariant storedValue(FieldType type, const QVariant &value)
{
    if (value.isNull() || !isNumber(value))
        return value;
    switch (type) {
    case FieldType::Boolean:
        return qint64(value.toDouble() != 0.0 ? 1 : 0);
    case FieldType::Integer:
        // A whole number kept in a floating-point column is the number.
        if (value.typeId() == QMetaType::Double) {
            const double d = value.toDouble();
            if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e15)
                return qint64(d);
        }
        return value;
    case FieldType::DateTime:
        return value.toDouble();
    default:
        return value;
    }
}

QString insertSql(const QStringList &names)
{
    if (names.isEmpty())
        return QStringLiteral("insert into Tasks default values");
    return QStringLiteral("insert into Tasks (%1) values (%2)")
        .arg(names.join(u','), QStringList(names.size(), QStringLiteral("?")).join(u','));
}

// The text that names a source row in a message: its ID, else its position.
QString rowName(const Plan &plan, const QVariantList &row, qint64 position)
{
    if (plan.idColumn >= 0 && !row.at(plan.idColumn).isNull())
        return tr("the task with ID %1").arg(row.at(plan.idColumn).toString());
    return tr("task number %1").arg(position);
}

// A task's identity for finding it again: its text and creation time.
struct Key
{
    QString task;
    bool hasCreated = false;
    double created = 0.0;

    friend bool operator==(const Key &a, const Key &b)
    {
        return a.task == b.task && a.hasCreated == b.hasCreated && a.created == b.created;
    }
    friend size_t qHash(const Key &key, size_t seed = 0) { return qHashMulti(seed, key.task, key.created); }
};

Key keyOf(const QVariant &task, const QVariant &created)
{
    return {task.toString(), !created.isNull(), created.isNull() ? 0.0 : created.toDouble()};
}

// Runs through every row of source, handing each to store inside one
// transaction; the connection is rolled back when anything fails.
template <typename Store>
qint64 eachRow(TaskSource &source, Connection &db, const Plan &plan, const Progress &progress, Store &&store,
               const QString &undoLabel = {})
{
    const qint64 total = source.rowCount();
    qint64 done = 0;
    QVariantList row;
    const auto report = [&] {
        if (progress && !progress(done, total))
            throw Error(tr("The import was cancelled; nothing was changed."));
    };
    const auto all = [&] {
        report();
        while (source.next(row)) {
            ++done;
            if (row.size() != source.columnNames().size())
                throw Error(tr("Task number %1 does not have the table's columns.").arg(done));
            try {
                store(row);
            } catch (const Error &e) {
                throw Error(tr("The tasks were not imported, because %1 cannot be stored: %2")
                                .arg(rowName(plan, row, done), e.text()));
            }
            if (done % ProgressStep == 0)
                report();
        }
        report();
    };
    // Tasks added to a database in use are one step of its undo journal.
    if (undoLabel.isEmpty())
        db.transaction(all);
    else
        db.step(undoLabel, all);
    return done;
}

void bindRow(Statement &insert, const Plan &plan, const QVariantList &row)
{
    for (qsizetype i = 0; i < plan.columns.size(); ++i)
        insert.bind(storedValue(plan.types.at(i), row.at(plan.columns.at(i))));
}

void removeDatabaseFiles(const QString &path)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
}

} // namespace

Summary intoNewDatabase(TaskSource &source, const QString &file, const Progress &progress)
{
    if (QFileInfo::exists(file))
        throw Error(tr("The file %1 already exists.").arg(file));
    const Plan plan = planFor(source.columnNames());
    Summary summary;
    summary.ignoredColumns = plan.ignored;
    try {
        Connection db;
        db.setDatabaseFile(file);
        QStringList names = plan.names;
        if (plan.idColumn >= 0)
            names.prepend(QStringLiteral("ID"));
        Statement insert(db.handle(), insertSql(names));
        summary.added = eachRow(source, db, plan, progress, [&](const QVariantList &row) {
            insert.reset();
            if (plan.idColumn >= 0)
                insert.bind(row.at(plan.idColumn));
            bindRow(insert, plan, row);
            insert.execute();
        });
        Statement count(db.handle(), QStringLiteral("select count(*) from Tasks"));
        if (!count.step() || count.value(0).toLongLong() != summary.added)
            throw Error(tr("The new database does not hold the %1 tasks read.").arg(summary.added));
    } catch (...) {
        removeDatabaseFiles(file);
        throw;
    }
    return summary;
}

Summary addTasks(TaskSource &source, const QString &databaseFile, const Progress &progress)
{
    const Plan plan = planFor(source.columnNames());
    Summary summary;
    summary.ignoredColumns = plan.ignored;
    Connection db;
    db.setDatabaseFile(databaseFile);

    QSet<Key> present;
    {
        Statement existing(db.handle(), QStringLiteral("select Task, TaskCreated from Tasks"));
        while (existing.step())
            present.insert(keyOf(existing.value(0), existing.value(1)));
    }
    const int createdType = plan.createdColumn >= 0 ? int(plan.columns.indexOf(plan.createdColumn)) : -1;
    Statement insert(db.handle(), insertSql(plan.names));
    eachRow(source, db, plan, progress, [&](const QVariantList &row) {
        const QVariant task = plan.taskColumn >= 0 ? row.at(plan.taskColumn) : QVariant();
        const QVariant created = createdType >= 0 ? storedValue(plan.types.at(createdType), row.at(plan.createdColumn))
                                                  : QVariant();
        if (present.contains(keyOf(task, created))) {
            ++summary.skipped;
            return;
        }
        insert.reset();
        bindRow(insert, plan, row);
        insert.execute();
        ++summary.added;
    }, tr("Import tasks from a Windows database"));
    return summary;
}

} // namespace taskimport
