#include "support/MainWindowFixture.h"

#include "store/BackupService.h"
#include "store/DatabaseCopy.h"
#include "store/Statement.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {
void addTasks(Connection &c, int count)
{
    for (int i = 0; i < count; ++i) {
        Statement insert(c.handle(), QStringLiteral("insert into Tasks (Task) values (?)"));
        insert.bind(QStringLiteral("task %1").arg(i));
        insert.execute();
    }
}

// A task database of the fixture's folder holding count tasks, and a
// copy of it in the backup folder under the given name; returns the
// database's path.
QString databaseWithBackup(MainWindowFixture &f, int count, const char *backupName)
{
    const QString db = f.dir.filePath(QStringLiteral("Nudgewick.mdb"));
    {
        Connection c;
        c.setDatabaseFile(db);
        c.open();
        addTasks(c, count);
    }
    QDir().mkpath(f.dir.filePath(QStringLiteral("Backups")));
    databasecopy::copyDatabase(db, QDir(f.dir.filePath(QStringLiteral("Backups"))).filePath(QLatin1String(backupName)));
    return db;
}
}

// The backups as the program uses them: the rescue at start-up and the
// restore from the File menu while the window runs.
class TestBackupWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    }

    // A damaged database with a backup beside it: the start-up offers the
    // backup, and accepting it starts the program on every task. Garbage
    // fails to open at all; pages damaged in the middle open, and only the
    // check on the opened connection finds them.
    void startupOffersBackupForDamage_data()
    {
        QTest::addColumn<bool>("garbage");
        QTest::newRow("garbage") << true;
        QTest::newRow("pages damaged in the middle") << false;
    }

    void startupOffersBackupForDamage()
    {
        QFETCH(bool, garbage);
        MainWindowFixture f;
        const QString db = databaseWithBackup(f, 300, "Nudgewick.20261209080000.mdb");
        QFile file(db);
        if (garbage) {
            for (const char *suffix : {"", "-wal", "-shm"})
                QFile::remove(db + QLatin1String(suffix));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(3000, '\x7f'));
        } else {
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(file.size() / 2);
            file.write(QByteArray(int(file.size() / 4), '\x5a'));
        }
        file.close();

        f.prompter.answers = {true};
        f.create();
        QCOMPARE(f.dm.qTasks.recordCount(), 300);
        QVERIFY(f.prompter.shown.value(0).startsWith(QStringLiteral("confirm: ")));
        QVERIFY(f.prompter.shown.value(1).startsWith(QStringLiteral("message: ")));
        QVERIFY(QFileInfo::exists(f.dir.filePath(QStringLiteral("Nudgewick.damaged.20261210080000.mdb"))));
    }

    // A second start on the same day that changes nothing makes no backup at
    // exit: opening the database writes only the connection's bookkeeping,
    // and a backup per start would soon rotate the older ones out.
    void unchangedStartMakesNoBackup()
    {
        MainWindowFixture f;
        databaseWithBackup(f, 3, "Nudgewick.20261210070000.mdb");
        f.create();
        BackupService *backups = f.window->backupService();
        f.window->ShutDown();
        backups->waitForIdle();
        QCOMPARE(backups->backups(true).size(), 1);
    }

    // The daily backup at start, the restore through the dialog while the
    // window runs, and the grid on the restored tasks afterwards.
    void restoreFromMenu()
    {
        MainWindowFixture f;
        f.create();
        addTasks(f.dm.ADOConnection, 7);
        BackupService *backups = f.window->backupService();
        backups->waitForIdle();
        QCOMPARE(backups->backups(true).size(), 1); // today's first start
        QCOMPARE(backups->backups(true).value(0).taskCount, 0);
        backups->backupNow(BackupReason::BulkChange);
        backups->waitForIdle();
        f.clock.advanceSeconds(60);
        Statement(f.dm.ADOConnection.handle(), QStringLiteral("delete from Tasks where ID > 2")).execute();
        f.dm.RequeryTaskList();
        QCOMPARE(f.dm.qTasks.recordCount(), 2);

        QSignalSpy restored(backups, &BackupService::restoreFinished);
        QTimer::singleShot(0, this, [] {
            auto *dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            auto *list = dialog->findChild<QTreeWidget *>(QStringLiteral("lvBackups"));
            QCOMPARE(list->topLevelItemCount(), 2);
            QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("7"));
            dialog->findChild<QPushButton *>(QStringLiteral("bRestore"))->click();
        });
        f.window->aRestoreBackup->trigger();
        QTRY_COMPARE(restored.size(), 1);
        QCOMPARE(f.dm.qTasks.recordCount(), 7);
        QCOMPARE(backups->backups(true).value(0).taskCount, 2); // the state before the restore
        QVERIFY(f.window->aRestoreBackup->isEnabled());

        // The program goes on working on the restored database, and the exit
        // backs it up since it changed.
        addTasks(f.dm.ADOConnection, 1);
        f.window->ShutDown();
        QCOMPARE(backups->backups(true).value(0).taskCount, 8);
    }

    // Moving every listed task to today changes many tasks at once: a copy
    // of the tasks as they were is taken before the first one moves.
    void moveAllToTodayBacksUpFirst()
    {
        MainWindowFixture f;
        f.create();
        addTasks(f.dm.ADOConnection, 3);
        BackupService *backups = f.window->backupService();
        backups->waitForIdle();
        const int before = backups->backups(true).size();
        f.clock.advanceSeconds(60);
        Statement(f.dm.ADOConnection.handle(), QStringLiteral("update Tasks set DueDateTime = 1.5")).execute();
        f.dm.RequeryTaskList();

        f.prompter.answers = {true};
        f.window->findChild<QAction *>(QStringLiteral("MoveTasksToToday1"))->trigger();
        backups->waitForIdle();
        QCOMPARE(backups->backups(true).size(), before + 1);
        QCOMPARE(backups->backups(true).value(0).taskCount, 3);
        Statement due(f.dm.ADOConnection.handle(), QStringLiteral("select min(DueDateTime) from Tasks"));
        QVERIFY(due.step());
        QVERIFY(due.value(0).toDouble() > 1.5);
    }
};

QTEST_MAIN(TestBackupWindow)
#include "tst_BackupWindow.moc"
