// Prompts as the desktop's own notifications: the alarm engine with the real
// D-Bus adapter, talking to a fake notification service on a private bus.

#include "AlarmFixture.h"
#include "FakeNotificationService.h"
#include "support/PrivateBus.h"

#include "alarm/AlarmEngine.h"
#include "alarm/DesktopPrompts.h"
#include "alarm/PopupSnooze.h"
#include "alarm/PromptAnswers.h"
#include "settings/SettingsKeys.h"
#include "toolkit/DesktopNotifications.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using Status = DesktopNotifications::Status;

namespace {

PrivateBus *theBus = nullptr;
int connections = 0;

// The alarm engine as the main window wires it, prompting through the
// adapter on the private bus, where the fake service may answer.
struct Fixture : AlarmFixture
{
    QTimer tPopup, tDisablePopups, tPopupInterval;
    QAction aDisablePopups;
    int opened = 0;
    int openedTask = 0;
    FakeNotificationService service{theBus->address()};
    QDBusConnection client = QDBusConnection::connectToBus(theBus->address(), u"client-%1"_s.arg(++connections));
    std::unique_ptr<AlarmEngine> engine;
    DBusDesktopNotifications *notifications = nullptr;

    explicit Fixture(bool startService = true)
    {
        state.UseDesktopNotifications = true;
        // The test runs the scan's passes itself; the timers only keep their periods.
        tDisablePopups.setInterval(600000);
        engine = std::make_unique<AlarmEngine>(AlarmEngine::Parts{
            dm, state, clock, prompter, popup, tPopup, tDisablePopups, tPopupInterval, aDisablePopups,
            dir.filePath(u"Nudgewick.ini"_s), std::make_unique<FakeSoundPlayer>(), {},
            [this] {
                ++opened;
                openedTask = state.PromptedTaskID;
            },
            {}});
        if (startService)
            service.start();
        auto adapter = std::make_unique<DBusDesktopNotifications>(client);
        notifications = adapter.get();
        prompts().setService(std::move(adapter));
        // The program's picture, read at the first notification.
        const QString icon = dir.filePath(u"icon.png"_s);
        QImage(16, 16, QImage::Format_ARGB32).save(icon, "PNG");
        prompts().setIconFile(icon);
    }
    ~Fixture()
    {
        engine.reset();
        QDBusConnection::disconnectFromBus(client.name());
    }

    DesktopPrompts &prompts() const { return engine->desktopPrompts(); }
    const FakeSoundPlayer &sound() const { return static_cast<const FakeSoundPlayer &>(engine->sound()); }
    bool settled() { return QTest::qWaitFor([this] { return notifications->status() != Status::Querying; }); }

    // A pass of the scan as the alarm timer's next tick runs it.
    bool pass()
    {
        state.ScanPending = true;
        return engine->scan().tPopupTimer();
    }
    // One pass that sends one notification; the service's id for it.
    uint promptOnce()
    {
        const int before = int(service.calls.size());
        pass();
        if (!QTest::qWaitFor([&] { return service.calls.size() > before; }))
            return 0;
        return service.lastId();
    }
};

TaskSpec due(int snoozeTime = 10, const QString &task = u"Call the dentist"_s)
{
    TaskSpec t;
    t.task = task;
    t.alarm = at(2026, 12, 10, 8, 0);
    t.snoozeTime = snoozeTime;
    return t;
}

} // namespace

class TestDesktopPrompts : public QObject
{
    Q_OBJECT

    PrivateBus m_bus;

private slots:
    void initTestCase()
    {
        if (!m_bus.start())
            QSKIP(qPrintable(m_bus.error()));
        theBus = &m_bus;
    }

    void cleanup()
    {
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    }

    void promptsWithButtons()
    {
        Fixture f;
        f.service.capabilities << u"body-markup"_s;
        f.popup.setTimeOut(30);
        f.add(due(10, u"R&D <review>"_s));
        QVERIFY(f.settled());
        QCOMPARE(f.notifications->status(), Status::Ready);

        QVERIFY(f.promptOnce());
        const FakeNotificationService::Call &call = f.service.calls.constFirst();
        QCOMPARE(call.appName, u"Nudgewick"_s);
        QCOMPARE(call.summary, u"Nudgewick [08:00]"_s);
        // The service reads markup, so the task's own text is escaped.
        QCOMPARE(call.body, u"[Work] R&amp;D &lt;review&gt;"_s);
        QCOMPARE(call.actions, (QStringList{u"default"_s, u"Open"_s, u"done"_s, u"Done"_s, u"snooze"_s,
                                            u"Snooze 10 min"_s}));
        QVERIFY(call.hints.contains(u"image-data"_s));
        QCOMPARE(call.timeout, 30000);
        // Instead of the popup, with the alarm sound.
        QCOMPARE(f.popup.openCount(), 0);
        QCOMPARE(f.sound().played.size(), 1);
        QCOMPARE(f.prompts().openCount(), 1);
    }

    void answers_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("snoozeTime");
        QTest::addColumn<int>("confirm"); // -1: not asked; 0: refused; 1: accepted
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("completed");
        QTest::addColumn<int>("movedBy"); // minutes; -1: not moved
        QTest::addColumn<bool>("opened");

        QTest::newRow("Open") << u"default"_s << 10 << -1 << u"Snooze 10 min"_s << false << -1 << true;
        QTest::newRow("Done") << u"done"_s << 10 << -1 << u"Snooze 10 min"_s << true << -1 << false;
        QTest::newRow("Snooze") << u"snooze"_s << 10 << -1 << u"Snooze 10 min"_s << false << 10 << false;
        QTest::newRow("Snooze, none set") << u"snooze"_s << 0 << -1 << u"Snooze 5 min"_s << false << 5 << false;
        QTest::newRow("Snooze, confirmed") << u"snooze"_s << 10 << 1 << u"Snooze 10 min"_s << false << 10 << false;
        QTest::newRow("Snooze, refused") << u"snooze"_s << 10 << 0 << u"Snooze 10 min"_s << false << -1 << false;
        QTest::newRow("unknown button") << u"reply"_s << 10 << -1 << u"Snooze 10 min"_s << false << -1 << false;
    }
    void answers()
    {
        QFETCH(QString, action);
        QFETCH(int, snoozeTime);
        QFETCH(int, confirm);
        QFETCH(QString, button);
        QFETCH(bool, completed);
        QFETCH(int, movedBy);
        QFETCH(bool, opened);

        Fixture f;
        int asked = -1;
        f.state.SnoozeConfirm = confirm >= 0;
        f.engine->snooze().setConfirm([&](int minutes) {
            asked = minutes;
            return PopupSnooze::Confirmation{confirm == 1, false};
        });
        const qint64 task = f.add(due(snoozeTime));
        QSignalSpy completions(&f.engine->answers(), &PromptAnswers::taskDone);
        QVERIFY(f.settled());
        const uint id = f.promptOnce();
        QVERIFY(id);
        QCOMPARE(f.service.calls.constFirst().actions.constLast(), button);

        f.service.emitActionInvoked(id, action);
        if (action == u"reply"_s) {
            // Not one of ours: the notification stays, and a later Done still counts.
            f.service.emitActionInvoked(id, u"done"_s);
            QTRY_COMPARE(f.value(task, u"Completed"_s).toInt(), 1);
            return;
        }
        QTRY_COMPARE(f.prompts().openCount(), 0);
        // Answered, the notification is taken off the desktop.
        QTRY_VERIFY(f.service.closed.contains(id));

        QCOMPARE(f.value(task, u"Completed"_s).toInt(), int(completed));
        QCOMPARE(f.value(task, u"PercentageComplete"_s).toInt(), completed ? 100 : 0);
        if (completed)
            QCOMPARE(DateTime(f.value(task, u"CompletedDate"_s).toDouble()), f.clock.now());
        else
            QVERIFY(f.value(task, u"CompletedDate"_s).isNull());
        const DateTime expected = movedBy < 0 ? at(2026, 12, 10, 8, 0) : at(2026, 12, 10, 9, movedBy);
        QCOMPARE(f.alarmOf(task), expected);
        QCOMPARE(f.opened, int(opened));
        QCOMPARE(completions.size(), int(completed));
        if (opened)
            QCOMPARE(f.openedTask, int(task));
        QCOMPARE(asked, confirm >= 0 ? (snoozeTime > 0 ? snoozeTime : 5) : -1);
        // Answered at most once.
        f.service.emitActionInvoked(id, u"done"_s);
        f.service.emitActionInvoked(id, u"default"_s);
        QTest::qWait(100);
        QCOMPARE(f.value(task, u"Completed"_s).toInt(), int(completed));
        QCOMPARE(f.opened, int(opened));
    }

    // Done on a repeating task finishes this occurrence: the button says
    // when the task comes back, and the task moves there, still open.
    void doneOnARepeatingTask()
    {
        Fixture f;
        f.state.Formats = FormatSettings::fromLocale(QLocale::c());
        TaskSpec daily = due(10, u"Take pills"_s);
        daily.occurrence = u"Daily"_s;
        daily.due = at(2026, 12, 10, 8, 30);
        const qint64 task = f.add(daily);
        QSignalSpy done(&f.engine->answers(), &PromptAnswers::taskDone);
        QVERIFY(f.settled());
        const uint id = f.promptOnce();
        QVERIFY(id);
        QCOMPARE(f.service.calls.constFirst().actions.mid(2, 2),
                 (QStringList{u"done"_s, u"Done \u2014 next Fri 08:00"_s}));
        f.service.emitActionInvoked(id, u"done"_s);
        QTRY_COMPARE(done.size(), 1);
        QCOMPARE(f.value(task, u"Completed"_s).toInt(), 0);
        QCOMPARE(f.value(task, u"PercentageComplete"_s).toInt(), 0);
        QCOMPARE(f.alarmOf(task), at(2026, 12, 11, 8, 0));
        QCOMPARE(DateTime(f.value(task, u"DueDateTime"_s).toDouble()), at(2026, 12, 11, 8, 30));
    }

    // Done and Snooze act only while the notification's prompt stands: the
    // task still there, open and with the alarm that was prompted.
    void answersOnlyWhileThePromptStands_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("change");
        for (const QString &action : {u"done"_s, u"snooze"_s})
            for (const QString &change : {u"none"_s, u"completed"_s, u"deleted"_s, u"alarm moved"_s})
                QTest::addRow("%s, %s", qPrintable(action), qPrintable(change)) << action << change;
    }
    void answersOnlyWhileThePromptStands()
    {
        QFETCH(QString, action);
        QFETCH(QString, change);
        Fixture f;
        int asked = 0;
        f.state.SnoozeConfirm = true;
        f.engine->snooze().setConfirm([&](int) {
            ++asked;
            return PopupSnooze::Confirmation{true, false};
        });
        const qint64 task = f.add(due(10));
        QVERIFY(f.settled());
        const uint id = f.promptOnce();
        QVERIFY(id);
        // Changed elsewhere (the grid, an editor, another program) and not yet seen.
        Query write(f.dm.ADOConnection);
        if (change == u"completed"_s)
            write.setSql({u"update Tasks set Completed = True, PercentageComplete = 100 where ID = :ID"_s});
        else if (change == u"deleted"_s)
            write.setSql({u"delete from Tasks where ID = :ID"_s});
        else if (change == u"alarm moved"_s)
            write.setSql({u"update Tasks set AlarmDateTime = 46367.5 where ID = :ID"_s});
        if (change != u"none"_s) {
            write.setParam(u"ID"_s, task);
            write.execSql();
        }
        const QVariant alarmBefore = f.value(task, u"AlarmDateTime"_s);
        const QVariant completedBefore = f.value(task, u"Completed"_s);
        QSignalSpy done(&f.engine->answers(), &PromptAnswers::taskDone);
        QSignalSpy snoozed(&f.engine->snooze(), &PopupSnooze::taskSnoozed);

        f.service.emitActionInvoked(id, action);
        QTRY_COMPARE(f.prompts().openCount(), 0);
        QTest::qWait(50);
        const bool acts = change == u"none"_s;
        QCOMPARE(done.size(), int(acts && action == u"done"_s));
        QCOMPARE(snoozed.size(), int(acts && action == u"snooze"_s));
        // A prompt that no longer stands asks nothing and says nothing.
        QCOMPARE(asked, int(acts && action == u"snooze"_s));
        QVERIFY(f.prompter.shown.isEmpty());
        if (acts) {
            if (action == u"done"_s)
                QCOMPARE(f.value(task, u"Completed"_s).toInt(), 1);
            else
                QCOMPARE(f.alarmOf(task), at(2026, 12, 10, 9, 10));
        } else {
            QCOMPARE(f.value(task, u"AlarmDateTime"_s), alarmBefore);
            QCOMPARE(f.value(task, u"Completed"_s), completedBefore);
        }
    }

    // A notification whose task was completed, deleted or given another
    // alarm leaves the desktop at the next tick; one still standing stays.
    void staleNotificationsClose_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("closes");
        QTest::newRow("unchanged") << u"update Tasks set Notes = 'x' where ID = :ID"_s << false;
        QTest::newRow("completed") << u"update Tasks set Completed = True where ID = :ID"_s << true;
        QTest::newRow("deleted") << u"delete from Tasks where ID = :ID"_s << true;
        QTest::newRow("alarm moved") << u"update Tasks set AlarmDateTime = 46367.5 where ID = :ID"_s << true;
    }
    void staleNotificationsClose()
    {
        QFETCH(QString, sql);
        QFETCH(bool, closes);
        Fixture f;
        const qint64 task = f.add(due());
        QVERIFY(f.settled());
        const uint id = f.promptOnce();
        QVERIFY(id);
        Query write(f.dm.ADOConnection);
        write.setSql({sql});
        write.setParam(u"ID"_s, task);
        write.execSql();
        f.engine->tPopupTimer();
        if (closes) {
            QTRY_VERIFY(f.service.closed.contains(id));
            QCOMPARE(f.prompts().openCount(), 0);
        } else {
            QTest::qWait(50);
            QVERIFY(!f.service.closed.contains(id));
            QCOMPARE(f.prompts().openCount(), 1);
        }
    }

    // Snooze pressed again while the first press's confirmation is still
    // open (its event loop runs): the task is snoozed once.
    void snoozeTwiceWhileConfirming()
    {
        Fixture f;
        f.state.SnoozeConfirm = true;
        int asked = 0;
        uint id = 0;
        f.engine->snooze().setConfirm([&](int) {
            if (++asked == 1) {
                f.service.emitActionInvoked(id, u"snooze"_s);
                QTest::qWait(100); // the confirmation's own event loop
            }
            return PopupSnooze::Confirmation{true, false};
        });
        const qint64 task = f.add(due(10));
        QVERIFY(f.settled());
        id = f.promptOnce();
        QVERIFY(id);
        f.service.emitActionInvoked(id, u"snooze"_s);
        QTRY_COMPARE(f.prompts().openCount(), 0);
        QTest::qWait(100);
        QCOMPARE(asked, 1);
        QCOMPARE(f.alarmOf(task), at(2026, 12, 10, 9, 10));
    }

    // A notification counts as open, like a popup window, until it closes:
    // passes meanwhile do not prompt its task again.
    void pacing()
    {
        Fixture f;
        f.add(due());
        QVERIFY(f.settled());
        const uint first = f.promptOnce();
        QVERIFY(first);
        f.clock.advanceSeconds(15);
        QVERIFY(f.pass());
        QTest::qWait(50);
        QCOMPARE(f.service.calls.size(), 1);

        // Expired on the desktop: the task, still due, is prompted again.
        f.service.emitClosed(first, 1);
        QTRY_COMPARE(f.prompts().openCount(), 0);
        const uint second = f.promptOnce();
        QCOMPARE(second, first + 1);
        QCOMPARE(f.service.calls.size(), 2);

        // A service that keeps it past its time-out is asked to close it.
        f.service.emitClosed(second, 2);
        QTRY_COMPARE(f.prompts().openCount(), 0);
        f.popup.setTimeOut(1);
        const uint third = f.promptOnce();
        QVERIFY(third);
        QTRY_VERIFY_WITH_TIMEOUT(f.service.closed.contains(third), 5000);
        QCOMPARE(f.prompts().openCount(), 0);
    }

    // A notification left open holds back only its own task: one that comes
    // due later is sent beside it, and the open one is not sent again.
    void openNotificationHoldsBackOnlyItsOwnTask()
    {
        Fixture f;
        f.popup.setTimeOut(0);
        f.add(due());
        QVERIFY(f.settled());
        QVERIFY(f.promptOnce());
        QTRY_COMPARE(f.prompts().openCount(), 1);

        TaskSpec later = due(10, u"Water the plants"_s);
        later.alarm = at(2026, 12, 10, 9, 0, 30);
        f.add(later);
        f.clock.set(at(2026, 12, 10, 9, 0, 31));
        QVERIFY(f.engine->scan().tPopupTimer());
        QTRY_COMPARE(f.service.calls.size(), 2);
        QCOMPARE(f.service.calls.at(1).body, u"[Work] Water the plants"_s);
        QTRY_COMPARE(f.prompts().openCount(), 2);

        QVERIFY(f.pass());
        QTest::qWait(100);
        QCOMPARE(f.service.calls.size(), 2);
        QCOMPARE(f.popup.openCount(), 0);
    }

    // Another program's ids, a late click and a sender that is not the
    // service all leave the tasks alone.
    void onlyOwnAnswersCount()
    {
        Fixture f;
        const qint64 early = f.add(due());
        const qint64 later = f.add(due(20));
        QVERIFY(f.settled());
        f.pass();
        QTRY_COMPARE(f.service.calls.size(), 2);
        QTRY_COMPARE(f.prompts().openCount(), 2);
        const uint earlyId = f.service.calls.at(0).id;
        const uint laterId = f.service.calls.at(1).id;

        f.service.emitClosed(earlyId, 2);
        QTRY_COMPARE(f.prompts().openCount(), 1);
        // Not from the service's owner: ignored.
        QDBusConnection other = QDBusConnection::connectToBus(theBus->address(), u"other"_s);
        QDBusMessage forged = QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_s,
                                                         u"org.freedesktop.Notifications"_s, u"ActionInvoked"_s);
        forged << laterId << u"done"_s;
        QVERIFY(other.send(forged));
        other.call(QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                                                  u"org.freedesktop.DBus"_s, u"GetId"_s));
        QDBusConnection::disconnectFromBus(u"other"_s);
        f.service.emitActionInvoked(999, u"done"_s);     // someone else's
        f.service.emitActionInvoked(earlyId, u"done"_s); // after it closed
        f.service.emitActionInvoked(laterId, u"snooze"_s);
        QTRY_COMPARE(f.alarmOf(later), at(2026, 12, 10, 9, 20));
        QCOMPARE(f.value(early, u"Completed"_s).toInt(), 0);
        QCOMPARE(f.value(later, u"Completed"_s).toInt(), 0);
        QCOMPARE(f.prompts().openCount(), 0);
    }

    void fallback_data()
    {
        QTest::addColumn<bool>("service");
        QTest::addColumn<QStringList>("capabilities");
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<Status>("status");
        QTest::addColumn<bool>("explained");

        QTest::newRow("no service") << false << QStringList{u"actions"_s} << true << Status::Absent << true;
        QTest::newRow("no buttons") << true << QStringList{u"body"_s} << true << Status::NoActions << true;
        QTest::newRow("not chosen") << true << QStringList{u"actions"_s} << false << Status::Ready << false;
    }
    void fallback()
    {
        QFETCH(bool, service);
        QFETCH(QStringList, capabilities);
        QFETCH(bool, chosen);
        QFETCH(Status, status);
        QFETCH(bool, explained);

        Fixture f(service);
        f.service.capabilities = capabilities;
        f.state.UseDesktopNotifications = chosen;
        f.notifications->refresh();
        f.add(due());
        QVERIFY(f.settled());
        QCOMPARE(f.notifications->status(), status);
        QCOMPARE(f.prompts().unavailableReason().isEmpty(), !explained);

        QVERIFY(f.pass());
        QCOMPARE(f.popup.openCount(), 1);
        QCOMPARE(f.sound().played.size(), 1);
        QCOMPARE(f.prompts().openCount(), 0);
        QTest::qWait(50);
        QVERIFY(f.service.calls.isEmpty());
    }

    // A notification the service refuses: the task is prompted through the
    // popup by the pass asked for at once, not after the next interval.
    void refusedNotificationFallsBackToPopup()
    {
        Fixture f;
        f.service.refuseNotify = true;
        f.add(due());
        QVERIFY(f.settled());
        f.pass();
        f.state.ScanPending = false; // the refusal comes back later, from the bus
        QTRY_VERIFY(f.state.ScanPending);
        QCOMPARE(f.service.calls.size(), 1);
        QCOMPARE(f.prompts().openCount(), 0);
        f.engine->scan().tPopupTimer();
        QCOMPARE(f.popup.openCount(), 1);
        QCOMPARE(f.service.calls.size(), 1);
    }

    // The service ends: nothing stays counted, the task comes back at once
    // through the popup, and a new service is used again.
    void serviceGoesAway()
    {
        Fixture f;
        f.add(due());
        QVERIFY(f.settled());
        QVERIFY(f.promptOnce());
        f.state.ScanPending = false;
        f.service.stop();
        QTRY_COMPARE(f.prompts().openCount(), 0);
        QTRY_COMPARE(f.notifications->status(), Status::Absent);
        QVERIFY(f.state.ScanPending);
        QVERIFY(f.engine->scan().tPopupTimer());
        QCOMPARE(f.popup.openCount(), 1);
        f.closeWindows();

        QVERIFY(f.service.start());
        QTRY_COMPARE(f.notifications->status(), Status::Ready);
        QVERIFY(f.promptOnce());
        QCOMPARE(f.service.calls.size(), 2);
    }

    // A service that takes a notification and never answers holds the scan
    // only until the call times out; then the popup shows the task.
    void serviceNeverAnswers()
    {
        Fixture f;
        f.notifications->setCallTimeout(300);
        f.service.answerNotify = false;
        f.add(due());
        QVERIFY(f.settled());
        f.pass();
        QTRY_COMPARE(f.service.calls.size(), 1);
        QCOMPARE(f.prompts().openCount(), 1);
        f.pass(); // the task is still waiting for its answer: not prompted again
        QCOMPARE(f.service.calls.size(), 1);
        QCOMPARE(f.popup.openCount(), 0);
        f.state.ScanPending = false;
        QTRY_COMPARE(f.prompts().openCount(), 0);
        QVERIFY(f.state.ScanPending);
        QVERIFY(f.engine->scan().tPopupTimer());
        QCOMPARE(f.popup.openCount(), 1);
        QCOMPARE(f.service.calls.size(), 1);
    }

    void disablePopupsClosesThem()
    {
        Fixture f;
        f.add(due());
        QVERIFY(f.settled());
        const uint id = f.promptOnce();
        QVERIFY(id);
        f.aDisablePopups.trigger();
        QTRY_VERIFY(f.service.closed.contains(id));
        QCOMPARE(f.prompts().openCount(), 0);
    }

    void settingDefault_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("on");
        QTest::newRow("X11") << u"xcb"_s << false;
        QTest::newRow("Wayland") << u"wayland"_s << true;
        QTest::newRow("no display") << u"offscreen"_s << true;
    }
    void settingDefault()
    {
        QFETCH(QString, platform);
        QFETCH(bool, on);
        QCOMPARE(desktopNotificationsByDefault(platform), on);
    }
};

QTEST_MAIN(TestDesktopPrompts)
#include "tst_DesktopPrompts.moc"
