// The alarm scan against a real database file with the clock set.

#include "support/QuietRaise.h"
#include "AlarmFixture.h"

#include "popup/PopupWindow.h"
#include "store/AnchorDays.h"

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
        hideRaiseWarnings();
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
        // Each weekday's own position: a mask shifted by one day fails a row.
        const char *const dayNames[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
        for (int day = 0; day < 7; ++day) {
            QString only(7, u'_');
            only[day] = allDays.at(day);
            const QDate date(2026, 12, 7 + day); // 7 December 2026 is a Monday
            QTest::addRow("hourly %s on its day", qPrintable(only))
                << u"Hourly"_s << u"00-23"_s << only << DateTime::fromDateAndTime(date, QTime(12, 0)) << true;
            QTest::addRow("hourly %s on the %s after", qPrintable(only), dayNames[(day + 1) % 7])
                << u"Hourly"_s << u"00-23"_s << only << DateTime::fromDateAndTime(date.addDays(1), QTime(12, 0)) << false;
        }
        QTest::newRow("daily MTWTF__ on a Friday") << u"Daily"_s << u"00-23"_s << u"MTWTF__"_s << at(2026, 12, 11, 12, 0) << true;
        QTest::newRow("daily _TWTFSS on a Monday") << u"Daily"_s << u"00-23"_s << u"_TWTFSS"_s << at(2026, 12, 7, 12, 0) << false;
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
    // update check once; a task that falls due meanwhile is stacked on them,
    // and the open ones are not prompted again.
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

        // The pass the prompts asked for finds nothing new.
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(f.popup.openCount(), 3);
        QVERIFY(!f.state.ScanPending);

        // The fourth falls due while the windows are open: it joins them.
        f.clock.advanceSeconds(15);
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(f.popup.openCount(), 4);
        QCOMPARE(windowTexts(f.popup).last(), u"Nudgewick [09:00] [Work] future #4"_s);
        QCOMPARE(f.sound.played.size(), 4);

        // Once they are gone unanswered, all four are prompted again; the
        // update check is not run again.
        f.closeWindows();
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(f.popup.openCount(), 4);
        QCOMPARE(f.sound.played.size(), 8);
        QCOMPARE(f.updateChecks, 1);
        QVERIFY(f.overflows.isEmpty());
    }

    // The gate with a notification left open (the default time-out keeps it
    // until clicked): the next alarm still comes at its own time, stacked
    // beside it; the open one's task is never prompted a second time while
    // its window is there, however many passes run, and is prompted again
    // at once when its window went unanswered.
    void openNotificationHoldsBackOnlyItsOwnTask()
    {
        AlarmFixture f;
        f.popup.setTimeOut(0);
        const qint64 first = f.add({.task = u"first"_s, .alarm = at(2026, 12, 10, 9, 0)});
        const qint64 second = f.add({.task = u"second"_s, .alarm = at(2026, 12, 10, 9, 1, 10)});
        f.state.ScanPending = true;
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(windowTexts(f.popup), QStringList{u"Nudgewick [09:00] [Work] first #1"_s});
        // The wake-up time is read with the window open.
        QCOMPARE(f.scan->nextAlarm(), at(2026, 12, 10, 9, 1, 10));

        // Ticks each second up to the second alarm: passes at the quarters
        // (and the one the prompt asked for) prompt nothing.
        int passes = 0;
        for (int i = 0; i < 69; ++i) { // to 09:01:09
            f.clock.advanceSeconds(1);
            passes += f.scan->tPopupTimer();
            QCOMPARE(f.popup.openCount(), 1);
        }
        QCOMPARE(passes, 5); // 09:00:01 (asked for), :15, :30, :45, 09:01:00
        QVERIFY(!f.scan->tPopupTimer());
        f.clock.set(at(2026, 12, 10, 9, 1, 10, 20));
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(windowTexts(f.popup), (QStringList{u"Nudgewick [09:00] [Work] first #1"_s,
                                                    u"Nudgewick [09:01] [Work] second #2"_s}));
        QCOMPARE(f.sound.played.size(), 2);
        QCOMPARE(f.alarmOf(first), at(2026, 12, 10, 9, 0));
        QCOMPARE(f.alarmOf(second), at(2026, 12, 10, 9, 1, 10));
        for (int i = 0; i < 20; ++i) {
            f.clock.advanceSeconds(1);
            f.scan->tPopupTimer();
        }
        QCOMPARE(f.popup.openCount(), 2);
        QCOMPARE(f.sound.played.size(), 2);

        // The first window goes unanswered: its task (still due) comes back
        // at the next tick, the second stays as it is.
        f.popup.popupWindows().constFirst()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(windowTexts(f.popup), (QStringList{u"Nudgewick [09:01] [Work] second #2"_s,
                                                    u"Nudgewick [09:00] [Work] first #1"_s}));
        QCOMPARE(f.sound.played.size(), 3);
    }

    // Auto-snooze does not count on behind an open notification of its task.
    void openNotificationKeepsItsAutoSnooze()
    {
        AlarmFixture f;
        f.popup.setTimeOut(0);
        const qint64 id = f.add({.alarm = at(2026, 12, 10, 9, 0), .snoozeTime = 1, .autoSnooze = true,
                                 .repeatAutoSnooze = 3, .autoSnoozeAction = 3});
        f.scan->scan();
        QCOMPARE(f.popup.openCount(), 1);
        QCOMPARE(f.value(id, u"RepeatAutoSnooze"_s).toInt(), 2);
        for (int i = 0; i < 10; ++i) {
            f.clock.advanceSeconds(60);
            f.scan->scan();
        }
        QCOMPARE(f.popup.openCount(), 1);
        QCOMPARE(f.value(id, u"RepeatAutoSnooze"_s).toInt(), 2);
        QCOMPARE(f.value(id, u"Completed"_s).toInt(), 0);
    }

    // When the stack is full, the tasks it has no room for go to the
    // overflow hook (the missed-alarms list), in alarm order; the windows
    // on screen are not prompted again.
    void fullStackOverflows()
    {
        AlarmFixture f;
        const int capacity = f.popup.stackCapacity();
        QVERIFY2(capacity >= 2 && capacity < 20, qPrintable(QString::number(capacity)));
        QList<qint64> ids;
        for (int i = 0; i < capacity + 2; ++i)
            ids << f.add({.task = u"task %1"_s.arg(i), .alarm = at(2026, 12, 10, 8, i)});
        f.scan->scan();
        QCOMPARE(f.popup.openCount(), capacity);
        QCOMPARE(f.sound.played.size(), capacity);
        QCOMPARE(f.overflows, (QList<QList<qint64>>{ids.mid(capacity)}));

        // One more falls due: it is refused too; the open ones stay as they are.
        const qint64 later = f.add({.task = u"later"_s, .alarm = at(2026, 12, 10, 9, 0, 30)});
        f.clock.set(at(2026, 12, 10, 9, 0, 31));
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(f.popup.openCount(), capacity);
        QCOMPARE(f.overflows.size(), 2);
        QCOMPARE(f.overflows.last(), ids.mid(capacity) + QList<qint64>{later});
        QCOMPARE(f.sound.played.size(), capacity);
    }

    // RepeatAutoSnooze 3: three prompts, each moving the alarm on by the
    // snooze time and counting 2, 1, 0; the fourth due pass applies the
    // action instead. The title shows the alarm the pass read.
    void autoSnoozeCountsDownThenActs()
    {
        AlarmFixture f;
        const qint64 id = f.add({.alarm = at(2026, 12, 10, 9, 0), .snoozeTime = 10, .autoSnooze = true,
                                 .repeatAutoSnooze = 3, .autoSnoozeAction = 3});
        for (int left : {2, 1, 0}) {
            const DateTime read = f.alarmOf(id);
            f.scan->scan();
            QCOMPARE(windowTexts(f.popup), QStringList{u"Nudgewick ["_s + read.time().toString(u"HH:mm"_s)
                                                       + u"] [Work] Task #"_s + QString::number(id)});
            QCOMPARE(f.alarmOf(id), DateTime::fromParts(f.clock.now().dayNumber(), f.clock.now().msecsOfDay() + 600000));
            QCOMPARE(f.value(id, u"RepeatAutoSnooze"_s).toInt(), left);
            f.closeWindows();
            f.clock.advanceSeconds(600);
        }
        f.scan->scan();
        QCOMPARE(f.popup.openCount(), 0);
        QVERIFY(!f.state.ScanPending);
        QCOMPARE(f.value(id, u"Completed"_s).toInt(), 1);
        QCOMPARE(f.value(id, u"AutoSnooze"_s).toInt(), 0);
    }

    // A spent count (RepeatAutoSnooze 0) applies the final action on the
    // first due pass.
    void autoSnoozeFinalActions_data()
    {
        QTest::addColumn<QString>("occurrence");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("prompted");
        QTest::addColumn<QString>("expected"); // the task afterwards

        QTest::newRow("apply occurrence") << u"Daily"_s << 1 << false << u"due 12-11 08:00 alarm 12-11 07:45 open"_s;
        QTest::newRow("delete") << u"Daily"_s << 2 << false << u"gone"_s;
        QTest::newRow("complete") << u"Daily"_s << 3 << false << u"due 12-10 08:00 alarm 12-10 07:45 completed"_s;
        QTest::newRow("no action") << u"Daily"_s << 0 << false << u"due 12-10 08:00 alarm 12-10 07:45 open"_s;
        QTest::newRow("unknown action") << u"Daily"_s << 7 << false << u"due 12-10 08:00 alarm 12-10 07:45 open"_s;
        // A kind that does not move would be skipped for good: it is prompted.
        QTest::newRow("apply occurrence, scheduled") << u"Scheduled"_s << 1 << true
                                                     << u"due 12-10 08:00 alarm 12-10 07:45 open"_s;
    }
    void autoSnoozeFinalActions()
    {
        QFETCH(QString, occurrence);
        QFETCH(int, action);
        QFETCH(bool, prompted);
        QFETCH(QString, expected);

        AlarmFixture f;
        const qint64 id = f.add({.occurrence = occurrence, .validDays = u"MTWTFSS"_s, .due = at(2026, 12, 10, 8, 0),
                                 .alarm = at(2026, 12, 10, 7, 45), .autoSnooze = true, .repeatAutoSnooze = 0,
                                 .autoSnoozeAction = action});
        const qint64 other = f.add({.task = u"neighbour"_s, .alarm = at(2026, 12, 10, 10, 0)});
        for (int pass = 0; pass < 2; ++pass) { // the outcome holds on later passes too
            f.scan->scan();
            QCOMPARE(f.popup.openCount(), prompted ? 1 : 0);
            f.closeWindows();
        }
        const auto text = [&](const QString &field) {
            return DateTime(f.value(id, field).toDouble()).toQDateTime().toString(u"MM-dd HH:mm"_s);
        };
        const QString state = f.value(id, u"ID"_s).isNull()
            ? u"gone"_s
            : u"due %1 alarm %2 %3"_s.arg(text(u"DueDateTime"_s), text(u"AlarmDateTime"_s),
                                         f.value(id, u"Completed"_s).toInt() ? u"completed"_s : u"open"_s);
        QCOMPARE(state, expected);
        QCOMPARE(f.alarmOf(other), at(2026, 12, 10, 10, 0)); // no other task is touched
    }

    // Moving a monthly task on follows the day it keeps: from 30 November
    // (cut from the 31st) to 31 December; without one, to 30 December.
    void applyOccurrenceKeepsTheDay_data()
    {
        QTest::addColumn<int>("anchorDay");
        QTest::addColumn<DateTime>("expected");
        QTest::newRow("kept 31st") << 31 << at(2026, 12, 31, 9, 0);
        QTest::newRow("none kept") << 0 << at(2026, 12, 30, 9, 0);
        QTest::newRow("kept 15th, moved away from it") << 15 << at(2026, 12, 30, 9, 0);
    }
    void applyOccurrenceKeepsTheDay()
    {
        QFETCH(int, anchorDay);
        QFETCH(DateTime, expected);
        AlarmFixture f;
        const qint64 id = f.add({.occurrence = u"Monthly"_s, .due = at(2026, 11, 30, 9, 0),
                                 .alarm = at(2026, 11, 30, 9, 0), .autoSnooze = true, .repeatAutoSnooze = 0,
                                 .autoSnoozeAction = 1});
        anchordays::write(f.dm.ADOConnection, id, anchorDay);
        f.scan->scan();
        QCOMPARE(f.alarmOf(id), expected);
        QCOMPARE(DateTime(f.value(id, u"DueDateTime"_s).toDouble()), expected);
        // A day the due date no longer holds goes with the move.
        QCOMPARE(anchordays::read(f.dm.ADOConnection, id), anchorDay == 31 ? 31 : 0);
    }

    // The final action "apply occurrence" keeps the alarm's lead when the due
    // time is still ahead (now is 09:00).
    void autoSnoozeApplyKeepsTheLead()
    {
        AlarmFixture f;
        const qint64 id = f.add({.occurrence = u"Daily"_s, .validDays = u"MTWTFSS"_s, .due = at(2026, 12, 10, 9, 10),
                                 .alarm = at(2026, 12, 10, 8, 55), .autoSnooze = true, .repeatAutoSnooze = 0,
                                 .autoSnoozeAction = 1});
        f.scan->scan();
        QCOMPARE(f.alarmOf(id), at(2026, 12, 11, 8, 55));
        QCOMPARE(DateTime(f.value(id, u"DueDateTime"_s).toDouble()), at(2026, 12, 11, 9, 10));
    }

    // An editor open on a task keeps its notification away, while auto-snooze
    // still counts down; the editor's single-task query, its unposted change
    // and the task list's current row are left as they were.
    void openEditorKeepsItsTaskFromPrompting()
    {
        AlarmFixture f;
        f.add({.task = u"a"_s, .alarm = at(2026, 12, 20)});
        const qint64 edited = f.add({.task = u"edited"_s, .alarm = at(2026, 12, 10, 8, 0), .snoozeTime = 10,
                                     .autoSnooze = true, .repeatAutoSnooze = 2});
        const qint64 plain = f.add({.task = u"plain"_s, .alarm = at(2026, 12, 10, 8, 30)});
        f.dm.RequeryTaskList();
        f.dm.qTasks.moveTo(2);
        f.dm.qPrompt.setParam(u"ID"_s, edited);
        f.dm.qPrompt.open();
        f.dm.qPrompt.edit();
        f.dm.qPrompt.setFieldValue(u"Task"_s, u"being typed"_s);
        QObject editor;
        f.state.CurrentTaskEditor = &editor;
        f.editorsOpen = {edited};

        f.scan->scan();
        QCOMPARE(windowTexts(f.popup), QStringList{u"Nudgewick [08:30] [Work] plain #"_s + QString::number(plain)});
        QCOMPARE(f.alarmOf(edited), at(2026, 12, 10, 9, 10));
        QCOMPARE(f.value(edited, u"RepeatAutoSnooze"_s).toInt(), 1);
        QCOMPARE(f.dm.qPrompt.state(), Query::State::Edit);
        QCOMPARE(f.dm.qPrompt.fieldByName(u"Task"_s).asString(), u"being typed"_s);
        QCOMPARE(f.dm.qPrompt.fieldByName(u"ID"_s).asInteger(), edited);
        QCOMPARE(f.dm.qTasks.recNo(), 2);
        QCOMPARE(f.value(edited, u"Task"_s).toString(), u"edited"_s);

        // With the editor closed, the task list catches up with the change.
        f.state.CurrentTaskEditor = nullptr;
        f.editorsOpen.clear();
        f.closeWindows();
        f.scan->scan();
        QVERIFY(f.dm.qTasks.locate(u"ID"_s, edited));
        QCOMPARE(f.dm.qTasks.fieldByName(u"AlarmDateTime"_s).asDateTime(), at(2026, 12, 10, 9, 10));
    }

    // After a suspend or while the program was not running, every task that
    // fell due meanwhile is prompted on the first tick after the clock jumped
    // on, and a jump either way starts exactly one pass.
    void clockJumps()
    {
        AlarmFixture f;
        f.add({.task = u"a"_s, .alarm = at(2026, 12, 10, 8, 0)});
        f.add({.task = u"b"_s, .alarm = at(2026, 12, 10, 10, 0)});
        f.add({.task = u"c"_s, .alarm = at(2026, 12, 10, 12, 0)});
        f.clock.set(at(2026, 12, 10, 7, 59, 50));
        f.state.ScanPending = true;
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(f.popup.openCount(), 0);
        QVERIFY(!f.scan->tPopupTimer());

        // Suspended for hours: woken at a second that is no quarter minute.
        f.clock.set(at(2026, 12, 10, 12, 30, 7));
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(f.popup.openCount(), 3);
        f.closeWindows();

        // Back by an hour: one pass, then quiet until the next quarter minute
        // (the windows it shows stay open and hold back no pass).
        f.state.ScanPending = false;
        f.clock.set(at(2026, 12, 10, 11, 30, 7));
        int passes = 0;
        for (int i = 0; i < 12; ++i) { // 11:30:07 to 11:30:18
            passes += f.scan->tPopupTimer();
            f.state.ScanPending = false;
            f.clock.advanceSeconds(1);
        }
        QCOMPARE(passes, 2); // 11:30:07 and 11:30:15
        QCOMPARE(f.popup.openCount(), 2);
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

    // An alarm between two quarters is prompted at its own time: the pass
    // that comes first reads when the next open task's alarm is, and a tick
    // at or after that time runs a pass even within the same quarter.
    void passRunsAtTheNextAlarm()
    {
        AlarmFixture f;
        f.add({.task = u"done"_s, .alarm = at(2026, 12, 10, 9, 0, 5), .completed = true});
        f.add({.task = u"todo"_s, .occurrence = u"Todo"_s, .alarm = at(2026, 12, 10, 9, 0, 6)});
        f.add({.task = u"soon"_s, .alarm = at(2026, 12, 10, 9, 0, 20, 500)});
        f.clock.set(at(2026, 12, 10, 9, 0, 16));
        f.state.ScanPending = true;
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(f.scan->nextAlarm(), at(2026, 12, 10, 9, 0, 20, 500));

        f.clock.set(at(2026, 12, 10, 9, 0, 20));
        QVERIFY(!f.scan->tPopupTimer());
        f.clock.set(at(2026, 12, 10, 9, 0, 20, 520));
        QVERIFY(f.scan->tPopupTimer());
        QCOMPARE(windowTexts(f.popup), (QStringList{u"Nudgewick [09:00] [Work] soon #3"_s}));
        f.closeWindows();
        QVERIFY(f.scan->tPopupTimer()); // the pass the prompt asked for
        QVERIFY(f.scan->nextAlarm().isZero());
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
