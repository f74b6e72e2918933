// The upgrade window: what it shows, that it runs by itself and closes.

#include "UpgradeFixture.h"

#include "store/TfUpgrade.h"
#include "toolkit/ScriptedPrompter.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestTfUpgrade : public QObject
{
    Q_OBJECT

    // Shows the window modally until it closes itself (or a watchdog
    // closes it); an Esc pressed meanwhile must not stop it.
    static int runWindow(TfUpgrade &window)
    {
        QTimer::singleShot(100, &window, [&window] { QTest::keyClick(&window, Qt::Key_Escape); });
        QTimer::singleShot(20000, &window, [&window] { window.done(-1); });
        return window.exec();
    }

private slots:
    void theWindowRunsTheUpgradeAndClosesItself()
    {
        UpgradeFixture f;
        f.createStandard(f.live());
        for (int id : {3, 5, 8})
            f.insert(f.live(), {u"ID"_s, u"Task"_s}, {id, u"Task %1"_s.arg(id)});
        f.createStandard(f.fresh());
        f.dm.connectTo(f.live());
        ScriptedPrompter prompter;
        TfUpgrade window(f.dm, prompter, f.clock, f.dir.path());

        QCOMPARE(window.windowTitle(), u"Database Upgrade"_s);
        QCOMPARE(window.findChild<QLabel *>(u"Label1"_s)->text(), u"Exporting existing data from the old database"_s);
        QCOMPARE(window.findChild<QLabel *>(u"Label2"_s)->text(), u"Importing existing data into the new database"_s);
        QVERIFY(!(window.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(window.Timer1->interval(), 1000);

        QCOMPARE(runWindow(window), int(QDialog::Accepted));

        QCOMPARE(prompter.shown, QStringList());
        QCOMPARE(window.exportedCount(), 3);
        QCOMPARE(window.findChild<QProgressBar *>(u"ExportProgress"_s)->value(), 100);
        QCOMPARE(window.findChild<QProgressBar *>(u"ImportProgress"_s)->value(), 100);
        QCOMPARE(f.rows(f.live(), u"ID, Task"_s),
                 (QStringList{u"ID=int:1 | Task=text:Task 3"_s, u"ID=int:2 | Task=text:Task 5"_s,
                              u"ID=int:3 | Task=text:Task 8"_s}));
        QCOMPARE(f.files(), (QStringList{u"Nudgewick.20061005143015.mdb"_s, u"Nudgewick.mdb"_s}));
    }

    void aRefusedUpgradeIsToldOnceAndTheWindowCloses()
    {
        UpgradeFixture f;
        f.createStandard(f.live());
        f.insert(f.live(), {u"Task"_s}, {u"Kept"_s});
        f.exec(f.fresh(), u"create table Notes (Line text)"_s);
        f.dm.connectTo(f.live());
        ScriptedPrompter prompter;
        TfUpgrade window(f.dm, prompter, f.clock, f.dir.path());

        QCOMPARE(runWindow(window), int(QDialog::Accepted));

        QCOMPARE(prompter.shown.size(), 1);
        QVERIFY2(prompter.shown.first().startsWith(u"error: New.mdb cannot be used"_s), qPrintable(prompter.shown.first()));
        QCOMPARE(f.rows(f.live(), u"Task"_s), QStringList{u"Task=text:Kept"_s});
        QCOMPARE(f.files(), (QStringList{u"New.mdb"_s, u"Nudgewick.mdb"_s}));
    }
};

QTEST_MAIN(TestTfUpgrade)
#include "tst_TfUpgrade.moc"
