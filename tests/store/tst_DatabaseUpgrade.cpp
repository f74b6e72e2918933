// The upgrade on real database files in a temporary data folder.

#include "UpgradeFixture.h"

#include "settings/ProfileFile.h"
#include "store/DatabaseUpgrade.h"
#include "store/FileOperations.h"
#include "store/TasksTable.h"
#include "support/FileSizeLimit.h"

#include <QSignalSpy>

#include <optional>

using namespace Qt::StringLiterals;

namespace {
// The real file system, with the final rename refused.
class RefusingRename final : public FileOperations
{
public:
    void keepAs(const QString &path, const QString &copyPath) override { m_real.keepAs(path, copyPath); }
    void replace(const QString &, const QString &) override { throw Error(u"Operation not permitted"_s); }

private:
    SystemFileOperations m_real;
};

const QStringList standardColumns = [] {
    QStringList names;
    for (const FieldInfo &f : TasksTable::fields())
        names << f.name;
    return names;
}();

// Tasks with every kind of value the columns hold, IDs 12, 40 and 41.
void addVariedTasks(const QString &file)
{
    const double created = DateTime::fromDateAndTime(QDate(2006, 10, 5), QTime(14, 30, 15, 123)).toDouble();
    UpgradeFixture::insert(file, standardColumns,
                           {12, u"Pay the rent"_s, created, u"Home"_s, 3, u"Monthly"_s, -2, u"08-17"_s, u"MTWTF__"_s,
                            39000.0, 45000.12345678901, 1, u"Line one\r\nLine two\r\nLine three"_s, 5, 0, 50,
                            QVariant(), 100, 39001.5});
    UpgradeFixture::insert(file, standardColumns,
                           {40, u"Ünïcödé ☂ 日本語 😀"_s, -1.25, QString(u""_s), 10, u"Todo"_s, 2147483647, u"00-23"_s,
                            u"_______"_s, QVariant(), 17.0 / 3, 0,
                            u"lone\nLF, lone\rCR, the text #13#10 and #35, a # and\r\n a break"_s, 0, 1, 0, 3, 0,
                            QVariant()});
    UpgradeFixture::insert(file, {u"ID"_s, u"Task"_s, u"Notes"_s, u"Category"_s, u"Completed"_s, u"AutoSnooze"_s},
                           {41, u"  \"quoted\" with blanks  "_s, QString(u""_s), QVariant(), QVariant(), QVariant()});
}
}

class TestDatabaseUpgrade : public QObject
{
    Q_OBJECT

private slots:
    // Every value of every column comes back exactly, the tasks are numbered
    // anew in their old order, and the old database is kept under its
    // backup name; the process-wide date formats play no part.
    void everyValueArrivesExactly_data()
    {
        QTest::addColumn<QString>("shortDateFormat");
        QTest::newRow("default formats") << QString();
        QTest::newRow("two-digit year") << u"d/m/yy"_s;
    }
    void everyValueArrivesExactly()
    {
        QFETCH(QString, shortDateFormat);
        UpgradeFixture f;
        if (!shortDateFormat.isEmpty())
            f.state.Formats.shortDateFormat = shortDateFormat;
        f.createStandard(f.live());
        addVariedTasks(f.live());
        f.createStandard(f.fresh());
        const QString allButId = standardColumns.mid(1).join(u',');
        const QStringList before = f.rows(f.live(), allButId);
        f.dm.connectTo(f.live());

        SystemFileOperations files;
        DatabaseUpgrade upgrade(f.dm, f.clock, f.dir.path(), files);
        QSignalSpy exported(&upgrade, &DatabaseUpgrade::exportProgress);
        QSignalSpy imported(&upgrade, &DatabaseUpgrade::importProgress);
        upgrade.run();

        QCOMPARE(f.rows(f.live(), allButId), before);
        QCOMPARE(f.rows(f.live(), u"ID"_s), (QStringList{u"ID=int:1"_s, u"ID=int:2"_s, u"ID=int:3"_s}));
        QCOMPARE(upgrade.backupFile(), f.backup());
        QCOMPARE(f.rows(f.backup(), allButId), before);
        QCOMPARE(f.files(), (QStringList{u"Nudgewick.20061005143015.mdb"_s, u"Nudgewick.mdb"_s}));
        QCOMPARE(upgrade.exportedCount(), 3);
        QCOMPARE(exported.size(), 3);
        QCOMPARE(imported.size(), 3);
        QCOMPARE(exported.last().first().toInt(), 100);
        QCOMPARE(imported.at(0).first().toInt(), 33);
        QVERIFY(!f.dm.ADOConnection.isOpen());
        QCOMPARE(f.dm.ADOConnection.databaseFile(), f.live());
    }

    // The transfer file: one section per task in ID order, one key per
    // column but ID in the table's order, and the texts of each kind.
    void exportWritesOneSectionPerTask()
    {
        UpgradeFixture f;
        f.createStandard(f.live());
        addVariedTasks(f.live());
        f.dm.connectTo(f.live());
        SystemFileOperations files;
        DatabaseUpgrade upgrade(f.dm, f.clock, f.dir.path(), files);

        upgrade.ExportTasks();

        const ProfileFile transfer(f.path(u"DataExport.ini"_s));
        QCOMPARE(transfer.sections(), (QStringList{u"12"_s, u"40"_s, u"41"_s}));
        QCOMPARE(transfer.keys(u"12"_s), standardColumns.mid(1));
        QCOMPARE(transfer.value(u"12"_s, u"Notes"_s), u"Line one#13#10Line two#13#10Line three"_s);
        QCOMPARE(transfer.value(u"12"_s, u"Completed"_s), u"True"_s);
        QCOMPARE(transfer.value(u"40"_s, u"Completed"_s), u"False"_s);
        QCOMPARE(transfer.value(u"12"_s, u"TaskCreated"_s), u"2006-10-05 14:30:15.123"_s);
        QCOMPARE(transfer.value(u"12"_s, u"DueDateTime"_s), u"2006-10-10"_s);
        QCOMPARE(transfer.value(u"12"_s, u"Frequency"_s), u"-2"_s);
        QCOMPARE(transfer.value(u"12"_s, u"AutoSnoozeAction"_s, u"missing"_s), QString());
        QCOMPARE(transfer.value(u"40"_s, u"Category"_s), u"#0"_s);
        QVERIFY(!f.dm.ADOConnection.isOpen());
    }

    // An empty old database: no section, and the files still change places.
    void anEmptyDatabaseIsUpgradedToo()
    {
        UpgradeFixture f;
        f.createStandard(f.live());
        f.exec(f.fresh(), u"create table Tasks (ID integer primary key autoincrement, Task text, Marker text default 'new')"_s);
        SystemFileOperations files;
        DatabaseUpgrade upgrade(f.dm, f.clock, f.dir.path(), files);

        upgrade.run();

        QCOMPARE(upgrade.exportedCount(), 0);
        QCOMPARE(f.rows(f.live()), QStringList());
        QCOMPARE(f.rows(f.live(), u"Marker"_s), QStringList()); // the new layout is live
        QCOMPARE(f.files(), (QStringList{u"Nudgewick.20061005143015.mdb"_s, u"Nudgewick.mdb"_s}));
    }

    // Columns are matched by name: one only in the old table is left out,
    // one only in the new table keeps its default, the order may differ.
    void columnsAreMatchedByName()
    {
        UpgradeFixture f;
        f.createStandard(f.live());
        f.exec(f.live(), u"alter table Tasks add column Colour text"_s);
        f.insert(f.live(), {u"ID"_s, u"Task"_s, u"Priority"_s, u"Colour"_s}, {7, u"First"_s, 2, u"red"_s});
        f.insert(f.live(), {u"ID"_s, u"Task"_s, u"Priority"_s, u"Colour"_s}, {9, u"Second"_s, 4, u"blue"_s});
        f.exec(f.fresh(), u"create table Tasks (ID integer primary key autoincrement, Estimate integer default 30, "
                          "Priority integer, Task text)"_s);
        SystemFileOperations files;
        DatabaseUpgrade upgrade(f.dm, f.clock, f.dir.path(), files);

        upgrade.run();

        QCOMPARE(f.rows(f.live()), (QStringList{u"ID=int:1 | Estimate=int:30 | Priority=int:2 | Task=text:First"_s,
                                                u"ID=int:2 | Estimate=int:30 | Priority=int:4 | Task=text:Second"_s}));
    }

    // A refused or failed upgrade changes nothing: the live database holds
    // its tasks and stays readable, New.mdb stays for the next start, no
    // backup and no work file is left, and the user gets one message.
    void failuresLeaveEverythingAsItWas_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("New.mdb is not a database") << u"not a database"_s << u"file is not a database"_s;
        QTest::newRow("New.mdb has no Tasks table") << u"no Tasks"_s << u"it has no Tasks table"_s;
        QTest::newRow("New.mdb is the Windows version's") << u"jet"_s << u"Import Tasks from a Windows Database"_s;
        QTest::newRow("New.mdb already holds tasks") << u"holds tasks"_s << u"already holds 2 tasks"_s;
        QTest::newRow("import fails part-way") << u"constraint"_s << u"CHECK constraint failed"_s;
        QTest::newRow("a trigger changes a value on its way") << u"trigger"_s << u"did not arrive unchanged"_s;
        QTest::newRow("the rename fails") << u"rename"_s << u"Operation not permitted"_s;
        QTest::newRow("the backup name is taken") << u"backup exists"_s << u"already exists"_s;
        QTest::newRow("the disk is full") << u"disk full"_s << u"File too large"_s;
    }
    void failuresLeaveEverythingAsItWas()
    {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        UpgradeFixture f;
        f.createStandard(f.live());
        f.insert(f.live(), {u"ID"_s, u"Task"_s, u"Category"_s}, {1, u"Short"_s, u"Home"_s});
        f.insert(f.live(), {u"ID"_s, u"Task"_s, u"Category"_s, u"Notes"_s},
                 {2, u"Long"_s, u"Garden"_s, QString(100000, u'n')});
        if (failure == u"not a database"_s) {
            QFile text(f.fresh());
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write(QByteArray("This is not a database, just some text of a release note.\n").repeated(100));
        } else if (failure == u"jet"_s) {
            QFile jet(f.fresh());
            QVERIFY(jet.open(QIODevice::WriteOnly));
            jet.write(QByteArray("\x00\x01\x00\x00Standard Jet DB\x00\x01", 21) + QByteArray(4075, '\0'));
        } else if (failure == u"no Tasks"_s) {
            f.exec(f.fresh(), u"create table Other (ID integer)"_s);
        } else if (failure == u"constraint"_s) {
            // The second task's category does not fit the new column.
            f.exec(f.fresh(), u"create table Tasks (ID integer primary key autoincrement, Task text, "
                              "Category text check (length(Category) <= 4))"_s);
        } else if (failure == u"holds tasks"_s) {
            // Another copy's database, or a live one renamed: its tasks
            // would be added to the user's.
            f.createStandard(f.fresh());
            f.insert(f.fresh(), {u"Task"_s}, {u"Someone else's task"_s});
            f.insert(f.fresh(), {u"Task"_s}, {u"And another"_s});
        } else if (failure == u"trigger"_s) {
            f.createStandard(f.fresh());
            f.exec(f.fresh(), u"create trigger Shout after insert on Tasks begin "
                              "update Tasks set Category = upper(Category) where ID = new.ID; end"_s);
        } else {
            f.createStandard(f.fresh());
        }
        if (failure == u"backup exists"_s) {
            QFile existing(f.backup());
            QVERIFY(existing.open(QIODevice::WriteOnly));
            existing.write("an earlier backup");
        }
        const QStringList before = f.rows(f.live());
        const QByteArray freshHash = f.hashOf(f.fresh());
        const QByteArray backupHash = f.hashOf(f.backup());
        const QStringList filesBefore = f.files();
        f.dm.connectTo(f.live());

        SystemFileOperations system;
        RefusingRename refusing;
        DatabaseUpgrade upgrade(f.dm, f.clock, f.dir.path(),
                                failure == u"rename"_s ? static_cast<FileOperations &>(refusing) : system);
        QString shown;
        try {
            // The transfer file outgrows what the disk takes.
            std::optional<FileSizeLimit> full;
            if (failure == u"disk full"_s)
                full.emplace(64 * 1024);
            upgrade.run();
        } catch (const Error &e) {
            shown = e.text();
        }

        QVERIFY2(shown.contains(message), qPrintable(shown));
        QVERIFY2(shown.contains(u"Nudgewick.mdb"_s), qPrintable(shown));
        QCOMPARE(f.rows(f.live()), before);
        QCOMPARE(f.hashOf(f.fresh()), freshHash);
        QCOMPARE(f.hashOf(f.backup()), backupHash);
        QCOMPARE(f.files(), filesBefore);
        QCOMPARE(f.dm.ADOConnection.databaseFile(), f.live());
        f.dm.qTasks.open(); // the program goes on with the old database
        QCOMPARE(f.dm.qTasks.recordCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestDatabaseUpgrade)
#include "tst_DatabaseUpgrade.moc"
