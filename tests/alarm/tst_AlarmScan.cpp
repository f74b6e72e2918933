// The alarm scan against a real database file with the clock set.

#include "AlarmFixture.h"

#include "popup/PopupWindow.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QStringList windowTexts(const TMSNPopUp &popup)
{
    QStringList texts;
    for (const TfrmMSNPopUp *w : popup.popupWindows())
        texts << w->title() + u" "_s + w->text() + u" #"_s + w->url();
    return texts;
}
}

class TestAlarmScan : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The offscreen platform cannot raise windows and says so at every show.
        static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (!message.contains(QLatin1String("does not support raise()")))
                previous(type, context, message);
        });
    }

    void validHoursAndDays_data()
    {
        QTest::addColumn<QString>("occurrence");
        QTest::addColumn<QString>("validHours");
        QTest::addColumn<QString>("validDays");
        QTest::addColumn<DateTime>("now");
        QTest::addColumn<bool>("prompted");

        const QString allDays = u"MTWTFSS"_s;
        QTest::newRow("hourly 09-17 at 08:59") << u"Hourly"_s << u"09-17"_s << allDays << at(2026, 12, 10, 8, 59) << false;
        QTest::newRow("hourly 09-17 at 09:00") << u"Hourly"_s << u"09-17"_s << allDays << at(2026, 12, 10, 9, 0) << true;
        QTest::newRow("hourly 09-17 at 17:59") << u"Hourly"_s << u"09-17"_s << allDays << at(2026, 12, 10, 17, 59) << true;
        QTest::newRow("hourly 09-17 at 18:00") << u"Hourly"_s << u"09-17"_s << allDays << at(2026, 12, 10, 18, 0) << false;
        // The day test's "every day" clears the hour test's result.
        QTest::newRow("hourly, days _______") << u"Hourly"_s << u"09-17"_s << u"_______"_s << at(2026, 12, 10, 20, 0) << true;
        QTest::newRow("hourly, days empty") << u"Hourly"_s << u"09-17"_s << QString() << at(2026, 12, 10, 20, 0) << true;
        QTest::newRow("hourly, day not valid") << u"Hourly"_s << u"00-23"_s << u"M______"_s << at(2026, 12, 10, 12, 0) << false;
        QTest::newRow("daily MTWTF__ on a Saturday") << u"Daily"_s << u"00-23"_s << u"MTWTF__"_s << at(2026, 12, 12, 12, 0) << false;
        QTest::newRow("daily MTWTF__ on a Thursday") << u"Daily"_s << u"00-23"_s << u"MTWTF__"_s << at(2026, 12, 10, 12, 0) << true;
        QTest::newRow("daily MTWTF__ on a Sunday") << u"Daily"_s << u"00-23"_s << u"MTWTF_S"_s << at(2026, 12, 13, 12, 0) << true;
        QTest::newRow("daily ignores hours") << u"Daily"_s << u"09-17"_s << u"MTWTFSS"_s << at(2026, 12, 10, 20, 0) << true;
        QTest::newRow("weekly ignores both") << u"Weekly"_s << u"09-17"_s << u"M______"_s << at(2026, 12, 10, 20, 0) << true;
        QTest::newRow("scheduled ignores both") << u"Scheduled"_s << u"09-17"_s << u"M______"_s << at(2026, 12, 10, 20, 0) << true;
        // Hours that are not a number restrict nothing.
        QTest::newRow("hourly, hours not digits") << u"Hourly"_s << u"ab-17"_s << u"MTWTFSS"_s << at(2026, 12, 10, 20, 0) << true;
    }
    void validHoursAndDays()
    {
        QFETCH(QString, occurrence);
        QFETCH(QString, validHours);
        QFETCH(QString, validDays);
        QFETCH(DateTime, now);
        QFETCH(bool, prompted);

        AlarmFixture f;
        f.clock.set(now);
        const qint64 id = f.add({.occurrence = occurrence, .validHours = validHours, .validDays = validDays,
                                 .alarm = at(2026, 12, 1, 8, 0)});
        f.scan->scan();
        QCOMPARE(f.popup.openCount(), prompted ? 1 : 0);
        QCOMPARE(f.sound.played.size(), prompted ? 1 : 0);
        QCOMPARE(f.state.ScanPending, prompted);
        QCOMPARE(f.alarmOf(id), at(2026, 12, 1, 8, 0)); // the scan never moves a prompted or skipped alarm
    }

    // Hours that are not a number once ended the whole pass at that row, so
    // every later due task stayed silent.
    void unreadableHoursDoNotEndThePass()
    {
        AlarmFixture f;
        f.add({.task = u"first"_s, .occurrence = u"Hourly"_s, .validHours = u"9 -1x"_s, .alarm = at(2026, 12, 10, 7, 0)});
        f.add({.task = u"second"_s, .alarm = at(2026, 12, 10, 8, 0)});
        f.scan->scan();
        QCOMPARE(f.popup.openCount(), 2);
        QVERIFY(f.prompter.shown.isEmpty());
    }

    // Three due tasks: three stacked windows in alarm order, three sounds, the
    // update check once; a task that falls due meanwhile waits until all closed.
    void dueTasksArePromptedInAlarmOrder()
    {
        AlarmFixture f;
        f.state.AlarmFile = u"Bell.wav"_s;
        f.state.UpdateCheckPending = true;
        f.add({.task = u"late"_s, .category = u"Home"_s, .alarm = at(2026, 12, 10, 8, 30)});
        f.add({.task = u"early"_s, .alarm = at(2026, 12, 10, 6, 5)});
        f.add({.task = u"middle"_s, .alarm = at(2026, 12, 10, 7, 45)});
        f.add({.task = u"future"_s, .alarm = at(2026, 12, 10, 9, 0, 1)});
        f.add({.task = u"done"_s, .alarm = at(2026, 12, 10, 7, 0), .completed = true});
        f.add({.task = u"todo"_s, .occurrence = u"Todo"_s, .alarm = at(2026, 12, 10, 7, 0)});
        f.add({.task = u"immediate"_s, .occurrence = u"Immediate"_s, .alarm = at(2026, 12, 10, 7, 0)});

        f.state.ScanPending = true;
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(windowTexts(f.popup), (QStringList{u"Nudgewick [06:05] [Work] early #2"_s,
                                                    u"Nudgewick [07:45] [Work] middle #3"_s,
                                                    u"Nudgewick [08:30] [Home] late #1"_s}));
        QCOMPARE(f.sound.played, (QStringList{u"Bell.wav"_s, u"Bell.wav"_s, u"Bell.wav"_s}));
        QCOMPARE(f.updateChecks, 1);
        QVERIFY(!f.state.UpdateCheckPending);
        QVERIFY(f.state.ScanPending);

        // The fourth falls due while the windows are open: nothing happens.
        f.clock.advanceSeconds(15);
        QVERIFY(!f.scan->tPopupTimer());
        QCOMPARE(f.popup.openCount(), 3);

        // Once they are gone, all four are prompted; the update check is not run again.
        f.closeWindows();
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(f.popup.openCount(), 4);
        QCOMPARE(f.sound.played.size(), 7);
        QCOMPARE(f.updateChecks, 1);
    }

    // The gate: a pass runs on a tick when ScanPending is set or a new quarter
    // minute has begun, and only then reads the database (a missing table
    // shows whether it was read).
    void passesRunOnQuarterMinutesOnly()
    {
        AlarmFixture f;
        f.clock.set(at(2026, 12, 10, 9, 0, 1));
        f.state.ScanPending = true;
        QVERIFY(f.scan->tPopupTimer());
        Query drop(f.dm.ADOConnection);
        drop.setSql({u"drop table Tasks"_s});
        drop.execSql();

        QList<int> passSeconds;
        for (int i = 0; i < 45; ++i) {
            f.clock.advanceSeconds(1);
            if (f.scan->tPopupTimer())
                passSeconds << f.clock.now().second();
        }
        QCOMPARE(passSeconds, (QList<int>{15, 30, 45}));
        QCOMPARE(f.prompter.shown.size(), 3); // each of those passes read, failed and was reported
    }

    // A failing pass is reported once; further passes that fail while that
    // report is still open (its message box keeps the timers running) are
    // not stacked on top of it.
    void failingPassIsReportedOnceWhileItsReportIsOpen()
    {
        struct NestingPrompter : Prompter
        {
            AlarmFixture *f = nullptr;
            QStringList shown;
            int nestedPasses = 0;
            bool confirm(const QString &) override { return false; }
            void message(const QString &) override {}
            void exclamation(const QString &) override {}
            void error(const QString &text) override
            {
                shown << text;
                for (int i = 0; i < 3; ++i) { // the report stays up for three quarter minutes
                    f->clock.advanceSeconds(15);
                    nestedPasses += f->scan->tPopupTimer();
                }
            }
        } prompter;

        AlarmFixture f;
        prompter.f = &f;
        f.scan = std::make_unique<AlarmScan>(f.dm, f.state, f.clock, f.popup, f.sound, prompter);
        f.add({.alarm = at(2026, 12, 10, 8, 0)});
        Query rename(f.dm.ADOConnection);
        rename.setSql({u"alter table Tasks rename to Gone"_s});
        rename.execSql();

        f.state.ScanPending = true;
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(prompter.nestedPasses, 3);
        QCOMPARE(prompter.shown.size(), 1);
        QVERIFY2(prompter.shown.first().contains(u"Tasks"_s), qPrintable(prompter.shown.first()));

        // The report was closed: the next failure is reported again, and
        // once the table is back the scan works as before.
        f.state.ScanPending = true;
        prompter.f = nullptr;
        struct Quiet : Prompter {
            int errors = 0;
            bool confirm(const QString &) override { return false; }
            void message(const QString &) override {}
            void exclamation(const QString &) override {}
            void error(const QString &) override { ++errors; }
        } quiet;
        f.scan = std::make_unique<AlarmScan>(f.dm, f.state, f.clock, f.popup, f.sound, quiet);
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(quiet.errors, 1);
        rename.setSql({u"alter table Gone rename to Tasks"_s});
        rename.execSql();
        f.state.ScanPending = true;
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(quiet.errors, 1);
        QCOMPARE(f.popup.openCount(), 1);
    }
};

QTEST_MAIN(TestAlarmScan)
#include "tst_AlarmScan.moc"
