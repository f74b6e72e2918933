// The reminder inside the main window: the alarm timer prompts, the
// notification's clicks reach their handlers, an open editor's window item
// keeps its task quiet, and a fresh data folder gets its alarm sound.

#include "support/QuietRaise.h"
#include "support/MainWindowFixture.h"

#include "alarm/AlarmEngine.h"
#include "alarm/AlarmScan.h"
#include "alarm/PopupPacing.h"
#include "popup/MSNPopUp.h"
#include "toolkit/FakeSoundPlayer.h"
#include "toolkit/EffectSoundPlayer.h"
#include "popup/PopupWindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestAlarmWiring : public QObject
{
    Q_OBJECT

    // A one-off task due at 07:30 on the fixture's day; returns its ID.
    static qint64 addDueTask(TDM &dm, const QString &task)
    {
        Query insert(dm.ADOConnection);
        insert.setSql({u"insert into Tasks (Task, Category, Occurrence, ValidHours, ValidDays, DueDateTime,"
                       " AlarmDateTime, Completed, SnoozeTime, AutoSnooze)"_s,
                       u"values (:Task, 'Home', 'Scheduled', '00-23', '_______', :At, :At, False, 5, False)"_s});
        insert.setParam(u"Task"_s, task);
        insert.setParam(u"At"_s, DateTime::fromQDateTime(QDateTime(QDate(2026, 12, 10), QTime(7, 30))));
        insert.execSql();
        Query last(dm.ADOConnection);
        last.setSql({u"select max(ID) as ID from Tasks"_s});
        last.open();
        return last.fieldByName(u"ID"_s).asInteger();
    }

    static double alarmOf(TDM &dm, qint64 id)
    {
        Query row(dm.ADOConnection);
        row.setSql({u"select AlarmDateTime from Tasks where ID = :ID"_s});
        row.setParam(u"ID"_s, id);
        row.open();
        return row.fieldByName(u"AlarmDateTime"_s).asDateTime().toDouble();
    }

private slots:
    void initTestCase()
    {
        hideRaiseWarnings();
    }

    void freshDataFolderGetsTheChime()
    {
        MainWindowFixture f;
        f.create();
        QFile installed(f.dir.filePath(u"Alarm.wav"_s));
        QFile shipped(u":/sounds/Alarm.wav"_s);
        QVERIFY(installed.open(QIODevice::ReadOnly));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QVERIFY(installed.size() > 1000);
        QCOMPARE(installed.readAll(), shipped.readAll());
        QVERIFY(installed.permissions() & QFile::WriteOwner);

        // A user's own sound under that name is left as it is.
        installed.close();
        QVERIFY(installed.open(QIODevice::WriteOnly | QIODevice::Truncate));
        installed.write("mine");
        installed.close();
        MainWindowFixture again;
        QFile::copy(installed.fileName(), again.dir.filePath(u"Alarm.wav"_s));
        again.create();
        QFile kept(again.dir.filePath(u"Alarm.wav"_s));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("mine"));
    }

    // Names are looked up in the data folder; a missing, empty or garbled
    // file plays nothing and the call returns at once.
    void alarmSoundFiles()
    {
        QTemporaryDir dir;
        QCOMPARE(EffectSoundPlayer::resolve(dir.path(), u"Bell.wav"_s), dir.filePath(u"Bell.wav"_s));
        QCOMPARE(EffectSoundPlayer::resolve(dir.path(), u"/usr/share/x.wav"_s), u"/usr/share/x.wav"_s);
        QCOMPARE(EffectSoundPlayer::resolve(dir.path(), u"  "_s), QString());

        QFile garbled(dir.filePath(u"Garbled.wav"_s));
        QVERIFY(garbled.open(QIODevice::WriteOnly));
        garbled.write("RIFF....WAVEnot really");
        garbled.close();
        QVERIFY(installDefaultAlarmSound(dir.path()));
        EffectSoundPlayer player(dir.path());
        for (const QString &name : {u"Missing.wav"_s, QString(), u"Garbled.wav"_s, u"Garbled.wav"_s, u"Alarm.wav"_s})
            player.play(name);
        QTest::qWait(200); // the background decoding reports its result
    }

    // The program's player loads the sound module at its first sound; without
    // the module it says why once and stays silent.
    void soundModuleIsLoadedOnFirstSound()
    {
        QTemporaryDir dir;
        QVERIFY(installDefaultAlarmSound(dir.path()));
        QStringList told;
        ModuleSoundPlayer player(dir.path(), [&](const QString &text) { told << text; });
        QVERIFY(!player.isLoaded());
        player.play(u"Alarm.wav"_s);
        QVERIFY(player.isLoaded());
        QCOMPARE(told, QStringList());

        QTemporaryDir empty;
        const QByteArray modules = qgetenv("NUDGEWICK_MODULE_DIR");
        qputenv("NUDGEWICK_MODULE_DIR", QFile::encodeName(empty.path()));
        ModuleSoundPlayer missing(dir.path(), [&](const QString &text) { told << text; });
        missing.play(u"Alarm.wav"_s);
        missing.play(u"Alarm.wav"_s);
        qputenv("NUDGEWICK_MODULE_DIR", modules);
        QVERIFY(!missing.isLoaded());
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().startsWith(u"Sound is not available: libnw_sound.so was not found in "_s + empty.path()),
                 qPrintable(told.first()));
        QTest::qWait(100); // the first player's background decoding reports its result
    }

    void dueTaskIsPromptedAndAnswered()
    {
        MainWindowFixture f;
        f.create();
        const qint64 quiet = addDueTask(f.dm, u"being edited"_s);
        const qint64 id = addDueTask(f.dm, u"water the plants"_s);
        QWidget editor;
        f.window->addWindowItem(&editor, int(quiet), u"Home"_s, u"being edited"_s);

        // The alarm timer runs from the start and scans at once.
        QVERIFY(f.window->popupTimer()->isActive());
        QTRY_COMPARE(f.window->MSNPopUp->openCount(), 1);
        const TfrmMSNPopUp *shown = f.window->MSNPopUp->popupWindows().first();
        QCOMPARE(shown->title(), u"Nudgewick [07:30]"_s);
        QCOMPARE(shown->text(), u"[Home] water the plants"_s);

        // Any other click snoozes by the task's 5 minutes.
        emit f.window->MSNPopUp->OnTextClick(f.window->MSNPopUp, QString::number(id));
        QCOMPARE(alarmOf(f.dm, id), DateTime::fromQDateTime(QDateTime(QDate(2026, 12, 10), QTime(8, 5))).toDouble());

        // A left click on the text runs the Prompt action on the task.
        // The action opens the task editor in its prompt mode; closing it
        // ends the action.
        QSignalSpy prompt(f.window->aNudgewick, &QAction::triggered);
        QString editorCaption;
        closeNextModal(&editorCaption);
        emit f.window->MSNPopUp->OnURLClick(f.window->MSNPopUp, QString::number(quiet));
        QCOMPARE(prompt.size(), 1);
        QCOMPARE(f.state.PromptedTaskID, int(quiet));
        QCOMPARE(editorCaption, u"Nudgewick"_s);

        // A click that carries no task ID is reported, not thrown.
        emit f.window->MSNPopUp->OnTextClick(f.window->MSNPopUp, u"x"_s);
        QCOMPARE(f.prompter.shown.size(), 1);
        QVERIFY(f.prompter.shown.first().startsWith(u"error: "_s));
        f.window->MSNPopUp->CloseAllPopupWindows();
    }

    // The silent update check starts after the pass, which never waits for
    // it; with a popup interval the alarm timer rests after each pass.
    void updateCheckAndIntervalAfterAPass()
    {
        MainWindowFixture f;
        f.dm.connectTo(f.dir.filePath(u"Nudgewick.mdb"_s));
        addDueTask(f.dm, u"a"_s);
        QTimer tPopup, tDisablePopups, tPopupInterval;
        QAction aDisablePopups;
        TMSNPopUp popup;
        int checks = 0;
        AlarmEngine engine({f.dm, f.state, f.clock, f.prompter, popup, tPopup, tDisablePopups, tPopupInterval,
                            aDisablePopups, f.ini(), std::make_unique<FakeSoundPlayer>(), {}, {},
                            [&] { ++checks; }});
        f.state.UpdateCheckPending = true;
        engine.scan().scan();
        QCOMPARE(popup.openCount(), 1);
        QVERIFY(!f.state.UpdateCheckPending);
        QCOMPARE(checks, 0);
        QTRY_COMPARE(checks, 1);
        popup.CloseAllPopupWindows();
        QTRY_COMPARE(popup.openCount(), 0);

        tPopup.setInterval(10);
        tPopupInterval.setInterval(300000);
        engine.pacing().start();
        f.state.ScanPending = true;
        QTRY_COMPARE(popup.openCount(), 1);
        QVERIFY(!tPopup.isActive());
        QVERIFY(tPopupInterval.isActive());
        QCOMPARE(checks, 1);
        popup.CloseAllPopupWindows();
    }
};

QTEST_MAIN(TestAlarmWiring)
#include "tst_AlarmWiring.moc"
