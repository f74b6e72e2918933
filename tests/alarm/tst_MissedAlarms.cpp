// Missed alarms with the clock set: gaps from clock jumps and resume, the
// "While you were away" list, late alarms skipped, and the alarm timer's sleep.

#include "support/QuietRaise.h"
#include "MissedFixture.h"

#include "alarm/PopupPacing.h"
#include "alarm/ScanTimer.h"
#include "popup/PopupWindow.h"
#include "toolkit/ResumeNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QStandardPaths>
#include <QTest>

#include <ctime>

using namespace Qt::StringLiterals;

namespace {
QStringList windowUrls(const TMSNPopUp &popup)
{
    QStringList urls;
    for (const TfrmMSNPopUp *w : popup.popupWindows())
        urls << w->url();
    return urls;
}
} // namespace

class TestMissedAlarms : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        hideRaiseWarnings();
    }

    void splitForDigest_data()
    {
        QTest::addColumn<bool>("afterGap");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("due");
        QTest::addColumn<QList<int>>("late");
        QTest::addColumn<QList<int>>("listedBefore");
        QTest::addColumn<QList<int>>("listed");
        QTest::addColumn<QList<int>>("prompted");

        using L = QList<int>;
        QTest::newRow("gap, more than the threshold") << true << 3 << 6 << 4 << L{} << L{} << L{0, 1, 2, 3} << L{};
        QTest::newRow("gap, up to the threshold") << true << 3 << 6 << 3 << L{} << L{} << L{} << L{0, 1, 2};
        QTest::newRow("gap, more than the stack holds") << true << 5 << 2 << 3 << L{} << L{} << L{0, 1, 2} << L{};
        QTest::newRow("no gap, many due") << false << 3 << 6 << 8 << L{} << L{} << L{} << L{0, 1, 2, 3, 4, 5, 6, 7};
        QTest::newRow("threshold 0 lists any gap") << true << 0 << 6 << 1 << L{} << L{} << L{0} << L{};
        QTest::newRow("late only listed") << false << 3 << 6 << 3 << L{1} << L{} << L{1} << L{0, 2};
        QTest::newRow("late listed once") << false << 3 << 6 << 3 << L{1} << L{1} << L{} << L{0, 2};
        QTest::newRow("late listed again after a gap") << true << 3 << 6 << 2 << L{1} << L{1} << L{1} << L{0};
    }
    void splitForDigest()
    {
        QFETCH(bool, afterGap);
        QFETCH(int, threshold);
        QFETCH(int, capacity);
        QFETCH(int, due);
        QFETCH(QList<int>, late);
        QFETCH(QList<int>, listedBefore);
        QFETCH(QList<int>, listed);
        QFETCH(QList<int>, prompted);

        QList<DueTask> tasks;
        for (int i = 0; i < due; ++i)
            tasks.append({i, at(2026, 12, 10, 9, i), u"Work"_s, u"Task"_s, late.contains(i), i, DateTime(), at(2026, 12, 10, 9, i)});
        const DigestSplit split = ::splitForDigest(tasks, afterGap, threshold, capacity,
                                                 [&](const DueTask &t) { return listedBefore.contains(int(t.id)); });
        QList<int> listedIds, promptedIds;
        for (const DueTask &t : split.listed)
            listedIds << int(t.id);
        for (const DueTask &t : split.prompted)
            promptedIds << int(t.id);
        QCOMPARE(listedIds, listed);
        QCOMPARE(promptedIds, prompted);
    }

    // The jump check on its own, with a monotonic clock the test moves: the
    // wall clock moving against it by more than a minute either way is a jump.
    void jumpAgainstMonotonicClock_data()
    {
        QTest::addColumn<qint64>("wallMs");
        QTest::addColumn<qint64>("monotonicMs");
        QTest::addColumn<qint64>("jump");
        QTest::newRow("steady") << qint64(15000) << qint64(15000) << qint64(0);
        QTest::newRow("backward 2 h") << qint64(15000 - 7200000) << qint64(15000) << qint64(-7200000);
        QTest::newRow("forward 2 h") << qint64(15000 + 7200000) << qint64(15000) << qint64(7200000);
        QTest::newRow("suspend of 2 h") << qint64(7200000) << qint64(0) << qint64(7200000);
        QTest::newRow("one minute of drift") << qint64(75000) << qint64(15000) << qint64(0);
        QTest::newRow("back one minute and a second") << qint64(-46000) << qint64(15000) << qint64(-61000);
    }
    void jumpAgainstMonotonicClock()
    {
        QFETCH(qint64, wallMs);
        QFETCH(qint64, monotonicMs);
        QFETCH(qint64, jump);
        QTimer timer;
        FixedClock clock(at(2026, 12, 10, 9, 0));
        qint64 monotonic = 5000000;
        ScanTimer scan(timer, clock, [&] { return monotonic; });
        QCOMPARE(scan.tickStarted(), 0); // the first tick has nothing to compare with
        clock.set(QDateTime::fromMSecsSinceEpoch(clock.msecsSinceEpoch() + wallMs));
        monotonic += monotonicMs;
        QCOMPARE(scan.tickStarted(), jump);
    }

    // A: a one-off due in the gap, B: every 5 minutes, due in it (missed many
    // times), C: due after it. A jump forward lists A and B once; C waits.
    // A jump backward is a gap too, but nothing new is due and nothing is
    // prompted twice; the scan goes on afterwards.
    void clockJumps_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<DateTime>("jumpTo");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<int>("popups");

        QTest::newRow("forward 2 h, threshold 1") << 1 << at(2026, 12, 10, 11, 0) << QStringList{u"B"_s, u"A"_s} << 0;
        QTest::newRow("forward 2 h, threshold 3") << 3 << at(2026, 12, 10, 11, 0) << QStringList{} << 2;
        QTest::newRow("back 1 h") << 1 << at(2026, 12, 10, 8, 0, 15) << QStringList{} << 0;
    }
    void clockJumps()
    {
        QFETCH(int, threshold);
        QFETCH(DateTime, jumpTo);
        QFETCH(QStringList, listed);
        QFETCH(int, popups);

        MissedFixture f;
        f.state.DigestThreshold = threshold;
        const qint64 a = f.add({.task = u"A"_s, .alarm = at(2026, 12, 10, 10, 0)});
        const qint64 b = f.add({.task = u"B"_s, .occurrence = u"Minutes"_s, .frequency = 5,
                                .alarm = at(2026, 12, 10, 9, 30)});
        const qint64 c = f.add({.task = u"C"_s, .alarm = at(2026, 12, 10, 12, 0)});
        f.engine->tPopupTimer(); // the first pass after start-up: nothing due
        f.tickAfter(15);
        QVERIFY(!f.digest());

        f.tickAfterJumpTo(jumpTo);
        QStringList names;
        for (const qint64 id : f.listed())
            names << (id == a ? u"A"_s : id == b ? u"B"_s : id == c ? u"C"_s : u"?"_s);
        QCOMPARE(names, listed);
        QCOMPARE(f.popup.openCount(), popups);
        QCOMPARE(f.sounds().size(), listed.isEmpty() ? popups : 1);

        // The scan carries on at the next quarter: a task due then is prompted.
        f.closeWindows();
        QTRY_COMPARE(f.popup.openCount(), 0);
        f.execSql(u"update Tasks set Completed = True"_s);
        f.add({.task = u"D"_s, .alarm = jumpTo});
        f.tickAfter(15);
        QCOMPARE(f.popup.openCount(), 1);
        QVERIFY(!f.digest());
    }

    // Local time moving for daylight saving is no jump: the pass after it is
    // an ordinary one, and its due tasks pop up as usual.
    void daylightSavingIsNoJump()
    {
        const QByteArray oldTz = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
        struct Restore {
            QByteArray tz;
            ~Restore()
            {
                tz.isNull() ? qunsetenv("TZ") : qputenv("TZ", tz);
                tzset();
            }
        } restore{oldTz};

        MissedFixture f;
        f.state.DigestThreshold = 1;
        f.clock.set(at(2026, 3, 29, 1, 59, 50));
        f.add({.task = u"A"_s, .alarm = at(2026, 3, 29, 1, 59, 55)});
        f.add({.task = u"B"_s, .alarm = at(2026, 3, 29, 1, 59, 58)});
        f.engine->tPopupTimer(); // start-up: nothing due yet
        // Fifteen seconds later the local clock reads 03:00:05.
        f.tickAfterJumpTo(at(2026, 3, 29, 3, 0, 5));
        QVERIFY(!f.digest());
        QCOMPARE(f.popup.openCount(), 2);
    }

    // Auto-snooze counts the gap once, and a repeating task missed many
    // times is prompted once.
    void autoSnoozeCountsTheGapOnce()
    {
        MissedFixture f;
        const qint64 id = f.add({.occurrence = u"Minutes"_s, .frequency = 5, .alarm = at(2026, 12, 10, 9, 5),
                                 .snoozeTime = 5, .autoSnooze = true, .repeatAutoSnooze = 3, .autoSnoozeAction = 1});
        f.engine->tPopupTimer();
        f.tickAfterJumpTo(at(2026, 12, 10, 12, 0));
        QCOMPARE(f.popup.openCount(), 1);
        QCOMPARE(f.value(id, u"RepeatAutoSnooze"_s).toInt(), 2);
        QCOMPARE(f.alarmOf(id), at(2026, 12, 10, 12, 5));
    }

    // Late alarms: a repeating task moves on to its next occurrence (listed
    // as skipped), a one-off stays due and is listed only (once, until the
    // next gap).
    void lateAlarms_data()
    {
        QTest::addColumn<int>("skipMinutes");
        QTest::addColumn<QString>("occurrence");
        QTest::addColumn<DateTime>("alarm");
        QTest::addColumn<DateTime>("alarmAfter");
        QTest::addColumn<bool>("popup");
        QTest::addColumn<bool>("listed");

        const DateTime eight = at(2026, 12, 10, 8, 0);
        QTest::newRow("daily, late") << 30 << u"Daily"_s << eight << at(2026, 12, 11, 8, 0) << false << true;
        QTest::newRow("scheduled, late") << 30 << u"Scheduled"_s << eight << eight << false << true;
        QTest::newRow("daily, late by less") << 90 << u"Daily"_s << eight << eight << true << false;
        QTest::newRow("never skipped") << 0 << u"Daily"_s << eight << eight << true << false;
    }
    void lateAlarms()
    {
        QFETCH(int, skipMinutes);
        QFETCH(QString, occurrence);
        QFETCH(DateTime, alarm);
        QFETCH(DateTime, alarmAfter);
        QFETCH(bool, popup);
        QFETCH(bool, listed);

        MissedFixture f;
        f.state.SkipLateMinutes = skipMinutes;
        const qint64 id = f.add({.occurrence = occurrence, .alarm = alarm});
        f.engine->tPopupTimer();
        QCOMPARE(f.alarmOf(id), alarmAfter);
        QCOMPARE(f.popup.openCount(), popup ? 1 : 0);
        QCOMPARE(f.listed(), listed ? QList<qint64>{id} : QList<qint64>{});
        if (!listed || alarmAfter != alarm) // a task moved on is due no more
            return;

        // Dismissed, it is neither listed nor popped up again...
        f.closeWindows();
        f.tickAfter(1);
        f.tickAfter(15);
        QVERIFY(!f.digest());
        QCOMPARE(f.popup.openCount(), 0);
        // ...until the next gap.
        f.engine->missed().gapNoticed();
        f.tickAfter(1);
        QCOMPARE(f.listed(), QList<qint64>{id});
    }

    // What the list says of a late alarm ("Skip Late Minutes" 30, now 09:00):
    // past the limit a repeating task is moved on and the list names it as
    // skipped, with its next alarm, so the user learns it was missed; a
    // one-off stays due and is listed as it is; within the limit either pops
    // up. "Snooze all" leaves a skipped task at its next occurrence.
    void skippedTasksAreNamed_data()
    {
        QTest::addColumn<QString>("occurrence");
        QTest::addColumn<int>("frequency");
        QTest::addColumn<DateTime>("alarm");
        QTest::addColumn<DateTime>("alarmAfter");
        QTest::addColumn<QString>("listed"); // empty: popped up; %1: alarmAfter as the list shows it

        const QString skipped = u"Task (skipped, next at %1)"_s;
        QTest::newRow("daily, gap longer") << u"Daily"_s << 1 << at(2026, 12, 10, 8, 0) << at(2026, 12, 11, 8, 0)
                                           << skipped;
        QTest::newRow("daily, gap shorter") << u"Daily"_s << 1 << at(2026, 12, 10, 8, 45) << at(2026, 12, 10, 8, 45)
                                            << QString();
        QTest::newRow("hourly, gap longer") << u"Hourly"_s << 1 << at(2026, 12, 10, 7, 0) << at(2026, 12, 10, 10, 0)
                                            << skipped;
        QTest::newRow("every 5 minutes, gap longer") << u"Minutes"_s << 5 << at(2026, 12, 10, 8, 0)
                                                     << at(2026, 12, 10, 9, 5) << skipped;
        QTest::newRow("weekly, gap longer") << u"Weekly"_s << 1 << at(2026, 12, 3, 9, 0) << at(2026, 12, 17, 9, 0)
                                            << skipped;
        QTest::newRow("one-off, gap longer") << u"Scheduled"_s << 1 << at(2026, 12, 10, 8, 0)
                                             << at(2026, 12, 10, 8, 0) << u"Task"_s;
        QTest::newRow("one-off, gap shorter") << u"Scheduled"_s << 1 << at(2026, 12, 10, 8, 45)
                                              << at(2026, 12, 10, 8, 45) << QString();
    }
    void skippedTasksAreNamed()
    {
        QFETCH(QString, occurrence);
        QFETCH(int, frequency);
        QFETCH(DateTime, alarm);
        QFETCH(DateTime, alarmAfter);
        QFETCH(QString, listed);

        MissedFixture f;
        f.state.SkipLateMinutes = 30;
        const qint64 id = f.add({.occurrence = occurrence, .frequency = frequency, .alarm = alarm});
        f.engine->tPopupTimer();
        QCOMPARE(f.alarmOf(id), alarmAfter);
        QCOMPARE(f.popup.openCount(), listed.isEmpty() ? 1 : 0);
        QCOMPARE(f.sounds().size(), 1);
        if (listed.isEmpty()) {
            QVERIFY(!f.digest());
            return;
        }
        QCOMPARE(f.listed(), QList<qint64>{id});
        const auto *table = f.digest()->findChild<QTableWidget *>(u"lvMissed"_s);
        QVERIFY(table);
        QCOMPARE(table->item(0, 0)->text(), dateTimeText(alarm, f.state.Formats));
        QCOMPARE(table->item(0, 2)->text(), listed.arg(dateTimeText(alarmAfter, f.state.Formats)));

        // Later passes neither prompt it nor list it again.
        f.tickAfter(15);
        QCOMPARE(f.popup.openCount(), 0);
        QCOMPARE(f.listed(), QList<qint64>{id});

        f.digest()->findChild<QPushButton *>(u"bbSnoozeAll"_s)->click();
        QCOMPARE(f.alarmOf(id), listed == u"Task"_s ? at(2026, 12, 10, 9, 5, 15) : alarmAfter);
    }

    // Open goes through the notification's prompt path and takes the row
    // off; "Snooze all" snoozes each by its own time; Dismiss leaves the
    // tasks to be prompted again as usual.
    void digestButtons()
    {
        MissedFixture f;
        f.state.DigestThreshold = 1;
        const qint64 a = f.add({.task = u"A"_s, .alarm = at(2026, 12, 10, 8, 0), .snoozeTime = 10});
        const qint64 b = f.add({.task = u"B"_s, .alarm = at(2026, 12, 10, 8, 30), .snoozeTime = 5});
        const qint64 c = f.add({.task = u"C"_s, .alarm = at(2026, 12, 10, 8, 45), .snoozeTime = 0});
        f.engine->tPopupTimer();
        QVERIFY(f.digest());
        QCOMPARE(f.digest()->windowTitle(), u"While you were away"_s);
        QCOMPARE(f.listed(), (QList<qint64>{a, b, c}));

        // While the list is open its tasks do not pop up; one due meanwhile does.
        f.tickAfter(15);
        QCOMPARE(f.popup.openCount(), 0);
        const qint64 d = f.add({.task = u"D"_s, .alarm = at(2026, 12, 10, 9, 0, 20)});
        f.tickAfter(15);
        QCOMPARE(windowUrls(f.popup), QStringList{QString::number(d)});
        f.AlarmFixture::closeWindows(); // the popups only
        QTRY_COMPARE(f.popup.openCount(), 0);
        f.execSql(u"update Tasks set Completed = True where ID = %1"_s.arg(d));

        f.digest()->findChild<QPushButton *>(u"bbOpen%1"_s.arg(b))->click();
        QCOMPARE(f.opened, QList<int>{int(b)});
        QCOMPARE(f.listed(), (QList<qint64>{a, c}));

        f.digest()->findChild<QPushButton *>(u"bbSnoozeAll"_s)->click();
        QVERIFY(!f.engine->missed().windowOpen());
        QCOMPARE(f.alarmOf(a), at(2026, 12, 10, 9, 10, 30));
        QCOMPARE(f.alarmOf(b), at(2026, 12, 10, 8, 30)); // opened, not snoozed
        QCOMPARE(f.alarmOf(c), at(2026, 12, 10, 9, 5, 30)); // no snooze time: 5 minutes

        // Closing asked for a pass at once: B is still due and pops up.
        QVERIFY(f.state.ScanPending);
        f.tickAfter(0);
        QCOMPARE(f.popup.openCount(), 1);
        f.closeWindows();
        QTRY_COMPARE(f.popup.openCount(), 0);

        // Dismiss: both due tasks are prompted by the ordinary rules.
        f.execSql(u"update Tasks set AlarmDateTime = 46000"_s);
        f.engine->missed().gapNoticed();
        f.tickAfter(1);
        QCOMPARE(f.listed().size(), 3);
        f.digest()->findChild<QPushButton *>(u"bbDismiss"_s)->click();
        f.tickAfter(0);
        QCOMPARE(f.popup.openCount(), 3);
    }

    // A full popup stack: the tasks it has no room for are listed in the
    // "While you were away" window, each once; dismissed, they are not
    // listed again but pop up as soon as the stack has room.
    void fullStackListsTheRest()
    {
        MissedFixture f;
        f.popup.setTimeOut(0);
        f.engine->tPopupTimer(); // the start-up pass: nothing due
        const int capacity = f.popup.stackCapacity();
        QList<qint64> ids;
        for (int i = 0; i < capacity + 2; ++i)
            ids << f.add({.task = u"task %1"_s.arg(i), .alarm = at(2026, 12, 10, 9, 0, 20 + i)});
        f.tickAfter(30);
        QCOMPARE(f.popup.openCount(), capacity);
        QCOMPARE(f.listed(), ids.mid(capacity));
        QCOMPARE(f.sounds().size(), capacity + 1);

        // Later passes prompt none of them again.
        f.tickAfter(1);
        f.tickAfter(15);
        QCOMPARE(f.popup.openCount(), capacity);
        QCOMPARE(f.listed(), ids.mid(capacity));
        QCOMPARE(f.sounds().size(), capacity + 1);

        // Dismissed while the stack is still full: not listed again.
        f.digest()->findChild<QPushButton *>(u"bbDismiss"_s)->click();
        QVERIFY(!f.engine->missed().windowOpen());
        f.tickAfter(0);
        f.tickAfter(15);
        QVERIFY(!f.engine->missed().windowOpen());
        QCOMPARE(f.popup.openCount(), capacity);

        // The shown ones are answered and their windows go: the other two pop up.
        QStringList shown;
        for (const qint64 id : ids.mid(0, capacity))
            shown << QString::number(id);
        f.execSql(u"update Tasks set Completed = True where ID in (%1)"_s.arg(shown.join(u',')));
        f.AlarmFixture::closeWindows();
        f.tickAfter(1);
        QCOMPARE(windowUrls(f.popup),
                 (QStringList{QString::number(ids.at(capacity)), QString::number(ids.at(capacity + 1))}));
        QVERIFY(!f.engine->missed().windowOpen());
    }

    // Popup pacing holds as before: with a popup interval the pass that
    // showed a notification sends the scan to rest; a task due meanwhile
    // pops up beside the open one at the interval's next tick.
    void popupIntervalStillPaces()
    {
        MissedFixture f;
        f.popup.setTimeOut(0);
        f.engine->pacing().setPopupInterval(300000);
        f.engine->pacing().start();
        f.add({.task = u"A"_s, .alarm = at(2026, 12, 10, 9, 0)});
        f.engine->tPopupTimer();
        QCOMPARE(f.popup.openCount(), 1);
        QVERIFY(!f.tPopup.isActive());
        f.add({.task = u"B"_s, .alarm = at(2026, 12, 10, 9, 1)});
        f.engine->pacing().tPopupIntervalTimer();
        QVERIFY(f.tPopup.isActive());
        f.tickAfter(300);
        QCOMPARE(f.popup.openCount(), 2);
        QVERIFY(!f.tPopup.isActive());
    }

    // The alarm timer sleeps to the next quarter minute or the next alarm of
    // an open task, whichever is first, polls each second while a
    // notification shows, and wakes at once when a pass is asked for; a
    // timer that pacing stopped stays stopped but ticks a second after it starts.
    void timerSleeps_data()
    {
        QTest::addColumn<DateTime>("now");
        QTest::addColumn<DateTime>("ahead"); // a task's alarm; zero: none
        QTest::addColumn<bool>("completed");
        QTest::addColumn<int>("sleepMs");
        const DateTime none;
        QTest::newRow("on the quarter") << at(2026, 12, 10, 9, 0, 0) << none << false << 15020;
        QTest::newRow("mid quarter") << at(2026, 12, 10, 9, 0, 7) << none << false << 8020;
        QTest::newRow("just before") << at(2026, 12, 10, 9, 0, 59, 500) << none << false << 520;
        QTest::newRow("alarm first") << at(2026, 12, 10, 9, 0, 7) << at(2026, 12, 10, 9, 0, 9, 250) << false
                                     << 2270;
        QTest::newRow("quarter first") << at(2026, 12, 10, 9, 0, 7) << at(2026, 12, 10, 9, 0, 40) << false << 8020;
        QTest::newRow("completed task") << at(2026, 12, 10, 9, 0, 7) << at(2026, 12, 10, 9, 0, 9) << true << 8020;
    }
    void timerSleeps()
    {
        QFETCH(DateTime, now);
        QFETCH(DateTime, ahead);
        QFETCH(bool, completed);
        QFETCH(int, sleepMs);

        MissedFixture f;
        f.clock.set(now);
        if (!ahead.isZero())
            f.add({.alarm = ahead, .completed = completed});
        f.engine->pacing().start();
        f.engine->tPopupTimer();
        QVERIFY(f.tPopup.isActive());
        QVERIFY(f.tPopup.isSingleShot());
        QCOMPARE(f.tPopup.interval(), sleepMs);

        f.state.requestScan();
        QCOMPARE(f.tPopup.interval(), 0);
        QVERIFY(f.tPopup.isActive());

        // While it shows, the timer polls each second, and still wakes at
        // the quarter or the alarm when that comes first.
        f.add({.alarm = now});
        f.engine->tPopupTimer();
        QCOMPARE(f.popup.openCount(), 1);
        QCOMPARE(f.tPopup.interval(), std::min(sleepMs, ScanTimer::PollMs));

        f.tPopup.stop(); // as popup pacing does
        f.tPopup.setInterval(9000);
        f.state.requestScan();
        QVERIFY(!f.tPopup.isActive());
        QCOMPARE(f.tPopup.interval(), ScanTimer::PollMs);
    }

    // The login manager's PrepareForSleep(false) on a bus runs a pass at
    // once, and it counts as one after a gap.
    void resumeFromLoginManager()
    {
        const QString daemon = QStandardPaths::findExecutable(u"dbus-daemon"_s);
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is not installed (package dbus)");
        QProcess bus;
        bus.start(daemon, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        QVERIFY(bus.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();
        struct Stop {
            QProcess &p;
            ~Stop()
            {
                p.terminate();
                p.waitForFinished(2000);
            }
        } stop{bus};

        QDBusConnection listener = QDBusConnection::connectToBus(address, u"listener"_s);
        QDBusConnection logind = QDBusConnection::connectToBus(address, u"logind"_s);
        QVERIFY(listener.isConnected() && logind.isConnected());
        QVERIFY(logind.registerService(u"org.freedesktop.login1"_s));

        auto notifier = std::make_unique<LogindResumeNotifier>(listener);
        QVERIFY(notifier->isListening());
        MissedFixture f(std::move(notifier));
        f.state.DigestThreshold = 1;
        f.engine->pacing().start();
        f.engine->tPopupTimer(); // start-up pass, nothing due; then asleep for a quarter
        f.add({.task = u"A"_s, .alarm = at(2026, 12, 10, 8, 0)});
        f.add({.task = u"B"_s, .alarm = at(2026, 12, 10, 8, 30)});

        auto sleep = [&](bool start) {
            QDBusMessage signal = QDBusMessage::createSignal(u"/org/freedesktop/login1"_s,
                                                             u"org.freedesktop.login1.Manager"_s,
                                                             u"PrepareForSleep"_s);
            signal << start;
            QVERIFY(logind.send(signal));
        };
        sleep(true);
        QTest::qWait(200);
        QVERIFY(!f.digest());
        sleep(false);
        QTRY_COMPARE_WITH_TIMEOUT(f.listed().size(), 2, 3000);

        QDBusConnection::disconnectFromBus(u"listener"_s);
        QDBusConnection::disconnectFromBus(u"logind"_s);
    }
};

QTEST_MAIN(TestMissedAlarms)
#include "tst_MissedAlarms.moc"
