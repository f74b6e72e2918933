// Bringing tasks over from the Windows version's database: the reader on a
// real Jet 4 file, the import into SQLite, the start-up offer, the menu
// import and the files that must be refused without changing anything.

#include "core/Error.h"
#include "store/Connection.h"
#include "store/JetReader.h"
#include "store/Statement.h"
#include "store/TaskImport.h"
#include "store/TaskSource.h"
#include "store/TasksTable.h"
#include "support/MainWindowFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString Fixture = QStringLiteral(NW_JET_DATA "/Nudgewick-jet4.mdb");

QByteArray fixtureBytes()
{
    QFile f(Fixture);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("fixture missing");
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The rows of a CSV file as mdb-export writes it: a quoted field is text
// (possibly empty, possibly with line breaks), an empty unquoted field is null.
QList<QList<std::optional<QString>>> readCsv(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("expected values missing");
    const QString text = QString::fromUtf8(f.readAll());
    QList<QList<std::optional<QString>>> rows;
    QList<std::optional<QString>> row;
    QString field;
    bool quoted = false, inQuotes = false;
    const auto endField = [&] {
        row << ((quoted || !field.isEmpty()) ? std::optional<QString>(field) : std::nullopt);
        field.clear();
        quoted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"')
                field += text.at(++i);
            else if (c == u'"')
                inQuotes = false;
            else
                field += c;
        } else if (c == u'"') {
            inQuotes = quoted = true;
        } else if (c == u',') {
            endField();
        } else if (c == u'\n') {
            endField();
            rows << row;
            row.clear();
        } else {
            field += c;
        }
    }
    return rows;
}

// A source whose rows are given by the test.
class ListSource final : public TaskSource
{
public:
    QStringList names;
    QList<QVariantList> rows;
    qsizetype at = 0;

    QStringList columnNames() const override { return names; }
    qint64 rowCount() const override { return rows.size(); }
    bool next(QVariantList &values) override
    {
        if (at >= rows.size())
            return false;
        values = rows.at(at++);
        return true;
    }
};

qint64 taskCount(const QString &file)
{
    Connection db;
    db.setDatabaseFile(file);
    Statement count(db.handle(), u"select count(*) from Tasks"_s);
    count.step();
    return count.value(0).toLongLong();
}

} // namespace

class TestJetImport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void fixtureArrivesValueByValue();
    void startupOffer_data();
    void startupOffer();
    void menuImportTwiceAddsNothingNew();
    void refusedFiles_data();
    void refusedFiles();
    void refusedRowStopsEverything();
    void valuesConverted_data();
    void valuesConverted();
};

void TestJetImport::cleanup()
{
    // A failing test must not leave a dialog that hangs the next one.
    while (QWidget *w = QApplication::activeModalWidget())
        w->close();
}

void TestJetImport::fixtureArrivesValueByValue()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"Nudgewick.mdb"_s);
    JetReader reader(Fixture);
    QCOMPARE(reader.rowCount(), 5);
    const taskimport::Summary summary = taskimport::intoNewDatabase(reader, target);
    QCOMPARE(summary.added, 5);
    QVERIFY(summary.ignoredColumns.isEmpty());
    QVERIFY(!QFile::exists(target + u"-wal"_s));

    const auto expected = readCsv(QStringLiteral(NW_JET_DATA "/expected.csv"));
    QCOMPARE(expected.size(), 6);
    const QList<std::optional<QString>> &header = expected.first();
    Connection db;
    db.setDatabaseFile(target);
    Statement tasks(db.handle(), u"select * from Tasks order by ID"_s);
    for (qsizetype r = 1; r < expected.size(); ++r) {
        QVERIFY(tasks.step());
        for (qsizetype c = 0; c < header.size(); ++c) {
            const QString name = *header.at(c);
            const std::optional<QString> &want = expected.at(r).at(c);
            const QVariant got = tasks.value(tasks.columnIndex(name));
            const QString where = u"row %1, %2"_s.arg(r).arg(name);
            if (!want) {
                QVERIFY2(got.isNull(), qPrintable(where));
                continue;
            }
            QVERIFY2(!got.isNull(), qPrintable(where));
            switch (TasksTable::find(name)->type) {
            case FieldType::DateTime: {
                const QDateTime when = QDateTime::fromString(*want, u"yyyy-MM-dd HH:mm:ss"_s);
                QVERIFY2(when.isValid(), qPrintable(where));
                QCOMPARE(got.typeId(), QMetaType::Double);
                QVERIFY2(qAbs(got.toDouble() - DateTime::fromQDateTime(when).toDouble()) < 1e-8, qPrintable(where));
                break;
            }
            case FieldType::Boolean:
                QCOMPARE(got.toLongLong(), want->toLongLong() != 0 ? 1 : 0);
                break;
            case FieldType::Integer:
                QCOMPARE(got.typeId(), QMetaType::LongLong);
                QCOMPARE(got.toLongLong(), want->toLongLong());
                break;
            default:
                QCOMPARE(got.toString(), *want);
            }
        }
    }
    QVERIFY(!tasks.step());

    // The stored numbers themselves: the zero date, the last minute of 2099,
    // a completed task's true, a memo's CR LF and text beyond Latin-1.
    Statement exact(db.handle(), u"select TaskCreated, DueDateTime, Completed, Notes, Task from Tasks where ID = ?"_s);
    exact.bind(5);
    QVERIFY(exact.step());
    QCOMPARE(exact.value(0).toDouble(), 0.0);
    QCOMPARE(exact.value(1).toDouble(), 73050.0 + (23 * 60 + 59) / 1440.0);
    exact.reset();
    exact.bind(4);
    QVERIFY(exact.step());
    QCOMPARE(exact.value(2).toLongLong(), 1);
    QCOMPARE(exact.value(4).toString(), u"Rückruf Ärztin – ☎"_s);
    exact.reset();
    exact.bind(2);
    QVERIFY(exact.step());
    QCOMPARE(exact.value(3).toString(), u"Room 4\r\nbring laptop"_s);
}

void TestJetImport::startupOffer_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestJetImport::startupOffer()
{
    QFETCH(bool, yes);
    MainWindowFixture f;
    const QString live = f.dir.filePath(u"Nudgewick.mdb"_s);
    writeFile(live, fixtureBytes());
    f.prompter.answers = {yes};

    if (!yes) {
        QVERIFY_THROWS_EXCEPTION(Error, f.create());
        QVERIFY(f.prompter.shown.value(0).startsWith(u"confirm: "_s));
        QFile kept(live);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), fixtureBytes());
        QCOMPARE(QDir(f.dir.path()).entryList({u"*.mdb*"_s}, QDir::Files), QStringList{u"Nudgewick.mdb"_s});
        return;
    }
    f.create();
    QCOMPARE(f.dm.qTasks.recordCount(), 5);
    const QString keptName = u"Nudgewick.20261210080000.jet.mdb"_s;
    QFile kept(f.dir.filePath(keptName));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), fixtureBytes());
    QVERIFY(f.prompter.shown.last().contains(keptName));
    // The tasks keep their IDs.
    Statement ids(f.dm.ADOConnection.handle(), u"select group_concat(ID) from (select ID from Tasks order by ID)"_s);
    QVERIFY(ids.step());
    QCOMPARE(ids.value(0).toString(), u"1,2,3,4,5"_s);
}

void TestJetImport::menuImportTwiceAddsNothingNew()
{
    MainWindowFixture f;
    f.create();
    f.window->ImportTasksFrom(Fixture);
    QCOMPARE(f.dm.qTasks.recordCount(), 5);
    QVERIFY2(f.prompter.shown.last().contains(u"5 tasks added, 0 skipped"_s), qPrintable(f.prompter.shown.last()));
    f.window->ImportTasksFrom(Fixture);
    QCOMPARE(f.dm.qTasks.recordCount(), 5);
    QVERIFY2(f.prompter.shown.last().contains(u"0 tasks added, 5 skipped"_s), qPrintable(f.prompter.shown.last()));
}

void TestJetImport::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const QByteArray jet = fixtureBytes();

    QByteArray noTasks = jet;
    const qsizetype name = noTasks.indexOf(QByteArray("T\0a\0s\0k\0s\0", 10));
    QVERIFY(name > 0);
    noTasks[name] = 'X';
    QTest::newRow("no Tasks table") << noTasks << u"no Tasks table"_s;

    QByteArray accdb = jet;
    accdb.replace(4, 15, "Standard ACE DB");
    QTest::newRow("accdb") << accdb << u"Access 2007"_s;

    // The password field is masked with a key stream; a byte changed there
    // reads as a password character.
    QByteArray password = jet;
    password[0x42] = char(password[0x42] ^ 'p');
    QTest::newRow("password") << password << u"password"_s;

    for (int size : {0, 100, 4096, 8192, 12288, 40000, 65536, 98304, 102400, 114688, 118000})
        QTest::addRow("cut to %d bytes", size) << jet.left(size) << QString();
}

// Each refused file gives a clear error at the reader, changes nothing when
// imported from the menu, and ends the start-up without touching the file.
void TestJetImport::refusedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"Windows.mdb"_s);
    writeFile(file, bytes);

    try {
        JetReader reader(file);
        QVariantList row;
        while (reader.next(row)) {
        }
        QFAIL("the file was read");
    } catch (const Error &e) {
        QVERIFY2(e.text().contains(reason), qPrintable(e.text()));
    }

    MainWindowFixture f;
    f.create();
    f.window->ImportTasksFrom(Fixture);
    QVERIFY_THROWS_EXCEPTION(Error, f.window->ImportTasksFrom(file));
    QCOMPARE(taskCount(f.window->databaseFile()), 5);

    // At start-up a file that still has the signature is refused and kept
    // as it is (an empty file is a new database, as it always was).
    if (bytes.isEmpty())
        return;
    MainWindowFixture start;
    const QString live = start.dir.filePath(u"Nudgewick.mdb"_s);
    writeFile(live, bytes);
    start.prompter.answers = {true};
    QVERIFY_THROWS_EXCEPTION(Error, start.create());
    QFile after(live);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), bytes);
}

void TestJetImport::refusedRowStopsEverything()
{
    ListSource source;
    source.names = {u"ID"_s, u"Task"_s, u"Priority"_s, u"Category"_s, u"Colour"_s};
    source.rows = {{7, u"fine"_s, 3, u"Home"_s, 1}, {9, u"too high"_s, 300, u"Home"_s, 2}};
    QTemporaryDir dir;
    const QString fresh = dir.filePath(u"fresh.mdb"_s);
    try {
        taskimport::intoNewDatabase(source, fresh);
        QFAIL("the row was stored");
    } catch (const Error &e) {
        QVERIFY2(e.text().contains(u"ID 9"_s), qPrintable(e.text()));
    }
    QVERIFY(!QFile::exists(fresh));

    const QString existing = dir.filePath(u"existing.mdb"_s);
    source.rows[1][2] = 4;
    source.rows[1][3] = u"A category name too long"_s;
    source.at = 0;
    { Connection db; db.setDatabaseFile(existing); db.open(); }
    QVERIFY_THROWS_EXCEPTION(Error, taskimport::addTasks(source, existing));
    QCOMPARE(taskCount(existing), 0);

    // The unknown column is left out and named; the rest goes in.
    source.rows[1][3] = u"Work"_s;
    source.at = 0;
    const taskimport::Summary summary = taskimport::addTasks(source, existing);
    QCOMPARE(summary.added, 2);
    QCOMPARE(summary.ignoredColumns, QStringList{u"Colour"_s});
    // Columns the source lacks get the table's defaults.
    Connection db;
    db.setDatabaseFile(existing);
    Statement defaults(db.handle(), u"select count(*) from Tasks where Completed = 0 and AutoSnooze = 0"_s);
    QVERIFY(defaults.step());
    QCOMPARE(defaults.value(0).toLongLong(), 2);
}

// How a value of the Windows version arrives: its true (-1) in a Yes/No
// column is stored as 1; a fraction in a whole-number column refuses the row.
void TestJetImport::valuesConverted_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("stored"); // null: the row is refused

    QTest::newRow("Completed -1") << u"Completed"_s << QVariant(-1) << QVariant(qint64(1));
    QTest::newRow("AutoSnooze -1") << u"AutoSnooze"_s << QVariant(-1) << QVariant(qint64(1));
    QTest::newRow("Completed 0") << u"Completed"_s << QVariant(0) << QVariant(qint64(0));
    QTest::newRow("Priority 2.0") << u"Priority"_s << QVariant(2.0) << QVariant(qint64(2));
    QTest::newRow("Priority 2.5") << u"Priority"_s << QVariant(2.5) << QVariant();
    QTest::newRow("SnoozeTime 0.5") << u"SnoozeTime"_s << QVariant(0.5) << QVariant();
}

void TestJetImport::valuesConverted()
{
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(QVariant, stored);
    ListSource source;
    source.names = {u"ID"_s, u"Task"_s, column};
    source.rows = {{3, u"one"_s, value}};
    QTemporaryDir dir;
    const QString file = dir.filePath(u"Nudgewick.mdb"_s);
    { Connection db; db.setDatabaseFile(file); db.open(); }
    if (stored.isNull()) {
        QVERIFY_THROWS_EXCEPTION(Error, taskimport::addTasks(source, file));
        QCOMPARE(taskCount(file), 0);
        return;
    }
    QCOMPARE(taskimport::addTasks(source, file).added, 1);
    Connection db;
    db.setDatabaseFile(file);
    Statement read(db.handle(), u"select %1, typeof(%1) from Tasks"_s.arg(column));
    QVERIFY(read.step());
    QCOMPARE(read.value(1).toString(), u"integer"_s);
    QCOMPARE(read.value(0).toLongLong(), stored.toLongLong());
}

QTEST_MAIN(TestJetImport)
#include "tst_JetImport.moc"
