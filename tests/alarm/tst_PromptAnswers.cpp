// The answers to a prompt through the program's own popup and the
// missed-alarms list: what Done does for one-off and repeating tasks, the
// guard that lets Snooze and Done act only while the prompt still stands,
// and popups that close once their task changed.

#include "support/QuietRaise.h"
#include "MissedFixture.h"

#include "alarm/PopupPrompts.h"
#include "alarm/PopupSnooze.h"
#include "alarm/PromptAnswers.h"
#include "popup/PopupWindow.h"
#include "store/UndoJournal.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// The only popup window open.
TfrmMSNPopUp *onlyWindow(const TMSNPopUp &popup)
{
    const QList<TfrmMSNPopUp *> windows = popup.popupWindows();
    return windows.size() == 1 ? windows.first() : nullptr;
}

QToolButton *button(TfrmMSNPopUp *window, const QString &action)
{
    return window ? window->findChild<QToolButton *>(u"btn"_s + action) : nullptr;
}

qint64 undoSteps(Connection &connection)
{
    Query count(connection);
    count.setSql({u"select count(*) as N from UndoSteps"_s});
    count.open();
    return count.fieldByName(u"N"_s).asInteger();
}

// What a test does to the task behind an open prompt, as the grid, an
// editor or another program would, before the prompt is answered.
const QStringList Changes{u"none"_s, u"completed"_s, u"deleted"_s, u"alarm moved"_s};

void change(MissedFixture &f, const QString &what, qint64 id)
{
    if (what == u"completed"_s)
        f.execSql(u"update Tasks set Completed = True, PercentageComplete = 100 where ID = %1"_s.arg(id));
    else if (what == u"deleted"_s)
        f.execSql(u"delete from Tasks where ID = %1"_s.arg(id));
    else if (what == u"alarm moved"_s)
        f.execSql(u"update Tasks set AlarmDateTime = %1 where ID = %2"_s.arg(at(2026, 12, 11, 12, 0).toDouble()).arg(id));
}

} // namespace

class TestPromptAnswers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        hideRaiseWarnings();
    }

    void cleanup()
    {
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    }

    // Done from the popup's button: a one-off task is completed as the
    // grid's tick completes it; a repeating one moves to its next occurrence
    // as Apply Occurrence moves it, and the button says when that is. Either
    // is one undo step, which brings the task back as it was.
    void done_data()
    {
        QTest::addColumn<QString>("occurrence");
        QTest::addColumn<DateTime>("due");
        QTest::addColumn<DateTime>("alarm");
        QTest::addColumn<bool>("completed");
        QTest::addColumn<DateTime>("nextDue");
        QTest::addColumn<DateTime>("nextAlarm");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("undoLabel");

        const DateTime due = at(2026, 12, 10, 8, 30);
        const DateTime alarm = at(2026, 12, 10, 8, 0);
        QTest::newRow("one-off") << u"Scheduled"_s << due << alarm << true << due << alarm << u"Done"_s
                                 << u"Complete \u201CTake pills\u201D"_s;
        // Snoozed past its due time, it is still completed where it stands.
        QTest::newRow("one-off, alarm after due") << u"Scheduled"_s << at(2026, 12, 10, 7, 0) << alarm << true
                                                  << at(2026, 12, 10, 7, 0) << alarm << u"Done"_s
                                                  << u"Complete \u201CTake pills\u201D"_s;
        QTest::newRow("daily") << u"Daily"_s << due << alarm << false << at(2026, 12, 11, 8, 30)
                               << at(2026, 12, 11, 8, 0) << u"Done \u2014 next Fri 08:00"_s
                               << u"Done \u201CTake pills\u201D"_s;
        // Hourly from 08:00 at 09:00: 09:00 is not after now, so 10:00.
        QTest::newRow("hourly") << u"Hourly"_s << alarm << alarm << false << at(2026, 12, 10, 10, 0)
                                << at(2026, 12, 10, 10, 0) << u"Done \u2014 next 10:00"_s
                                << u"Done \u201CTake pills\u201D"_s;
        QTest::newRow("weekly, a week on") << u"Weekly"_s << alarm << alarm << false << at(2026, 12, 17, 8, 0)
                                           << at(2026, 12, 17, 8, 0) << u"Done \u2014 next 2026/12/17 08:00"_s
                                           << u"Done \u201CTake pills\u201D"_s;
    }
    void done()
    {
        QFETCH(QString, occurrence);
        QFETCH(DateTime, due);
        QFETCH(DateTime, alarm);
        QFETCH(bool, completed);
        QFETCH(DateTime, nextDue);
        QFETCH(DateTime, nextAlarm);
        QFETCH(QString, label);
        QFETCH(QString, undoLabel);

        MissedFixture f;
        f.state.Formats = FormatSettings::fromLocale(QLocale::c());
        const qint64 id = f.add({.task = u"Take pills"_s, .occurrence = occurrence, .validDays = u"MTWTFSS"_s,
                                 .due = due, .alarm = alarm});
        f.engine->tPopupTimer();
        TfrmMSNPopUp *window = onlyWindow(f.popup);
        QVERIFY(window);
        QToolButton *doneButton = button(window, PopupSnooze::DoneAnswer);
        QVERIFY(doneButton);
        QCOMPARE(doneButton->accessibleName(), label);
        // The same words as the desktop notification's button.
        const TaskSchedule schedule{occurrence, 1, u"00-23"_s, u"MTWTFSS"_s, due, alarm, 5};
        QCOMPARE(DoneAction::of(f.clock, schedule, f.state.Formats).label, label);

        const qint64 stepsBefore = undoSteps(f.dm.ADOConnection);
        QSignalSpy done(&f.engine->answers(), &PromptAnswers::taskDone);
        QTest::mouseClick(doneButton, Qt::LeftButton);
        QCOMPARE(done.size(), 1);
        QCOMPARE(f.value(id, u"Completed"_s).toBool(), completed);
        QCOMPARE(f.value(id, u"PercentageComplete"_s).toInt(), completed ? 100 : 0);
        if (completed)
            QCOMPARE(DateTime(f.value(id, u"CompletedDate"_s).toDouble()), f.clock.now());
        else
            QVERIFY(f.value(id, u"CompletedDate"_s).isNull());
        QCOMPARE(DateTime(f.value(id, u"DueDateTime"_s).toDouble()), nextDue);
        QCOMPARE(f.alarmOf(id), nextAlarm);
        QTRY_COMPARE(f.popup.openCount(), 0);

        QCOMPARE(undoSteps(f.dm.ADOConnection), stepsBefore + 1);
        UndoJournal journal(f.dm.ADOConnection);
        QCOMPARE(journal.undoLabel(), undoLabel);
        journal.undo();
        QCOMPARE(f.value(id, u"Completed"_s).toBool(), false);
        QCOMPARE(DateTime(f.value(id, u"DueDateTime"_s).toDouble()), due);
        QCOMPARE(f.alarmOf(id), alarm);
    }

    // The popup's three buttons run the handlers of Done, of the popup's
    // snooze and of the prompt editor; the Snooze menu snoozes by the
    // length picked, without a question.
    void buttonsRunTheirHandlers_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("movedBy"); // minutes; -1: not moved
        QTest::addColumn<bool>("completed");
        QTest::addColumn<bool>("opened");
        QTest::newRow("Done") << u"done"_s << -1 << true << false;
        QTest::newRow("Snooze") << u"snooze"_s << 10 << false << false;
        QTest::newRow("Snooze menu, 15 minutes") << u"menu 2"_s << 15 << false << false;
        QTest::newRow("Snooze menu, 1 day") << u"menu 5"_s << 1440 << false << false;
        QTest::newRow("Open") << u"default"_s << -1 << false << true;
    }
    void buttonsRunTheirHandlers()
    {
        QFETCH(QString, press);
        QFETCH(int, movedBy);
        QFETCH(bool, completed);
        QFETCH(bool, opened);

        MissedFixture f;
        const DateTime alarm = at(2026, 12, 10, 8, 0);
        const qint64 id = f.add({.alarm = alarm, .snoozeTime = 10});
        f.engine->tPopupTimer();
        TfrmMSNPopUp *window = onlyWindow(f.popup);
        QVERIFY(window);
        if (press.startsWith(u"menu"_s)) {
            QMenu *menu = button(window, PopupSnooze::SnoozeAnswer)->menu();
            QVERIFY(menu);
            menu->actions().at(press.mid(5).toInt())->trigger();
        } else {
            QTest::mouseClick(button(window, press), Qt::LeftButton);
        }
        QCOMPARE(f.value(id, u"Completed"_s).toBool(), completed);
        const DateTime now = f.clock.now();
        QCOMPARE(f.alarmOf(id),
                 movedBy < 0 ? alarm : DateTime::fromParts(now.dayNumber(), now.msecsOfDay() + qint64(movedBy) * 60000));
        QCOMPARE(f.opened, opened ? QList<int>{int(id)} : QList<int>{});
        QTRY_COMPARE(f.popup.openCount(), 0);
    }

    // Snooze and Done from a popup (its body, its buttons, its menu) and
    // "Snooze all" of the missed-alarms list act only while the prompt
    // stands; a task completed, deleted or given another alarm since is left
    // as it is, and nothing is asked or said.
    void onlyWhileThePromptStands_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("what");
        for (const QString &path :
             {u"popup body"_s, u"Done button"_s, u"Snooze button"_s, u"Snooze menu"_s, u"Snooze all"_s})
            for (const QString &what : Changes)
                QTest::addRow("%s, %s", qPrintable(path), qPrintable(what)) << path << what;
    }
    void onlyWhileThePromptStands()
    {
        QFETCH(QString, path);
        QFETCH(QString, what);

        MissedFixture f;
        int asked = 0;
        f.state.SnoozeConfirm = path == u"popup body"_s;
        f.engine->snooze().setConfirm([&](int) {
            ++asked;
            return PopupSnooze::Confirmation{true, false};
        });
        if (path == u"Snooze all"_s)
            f.state.DigestThreshold = 0; // the start's gap lists the task
        const DateTime alarm = at(2026, 12, 10, 8, 0);
        const qint64 id = f.add({.alarm = alarm, .snoozeTime = 10});
        f.engine->tPopupTimer();
        TfrmMSNPopUp *window = onlyWindow(f.popup);
        QCOMPARE(bool(window), path != u"Snooze all"_s);
        QCOMPARE(bool(f.digest()), path == u"Snooze all"_s);

        change(f, what, id);
        const QVariantList before{f.value(id, u"AlarmDateTime"_s), f.value(id, u"Completed"_s)};
        QSignalSpy snoozed(&f.engine->snooze(), &PopupSnooze::taskSnoozed);
        QSignalSpy done(&f.engine->answers(), &PromptAnswers::taskDone);

        int movedBy = 10;
        bool completes = false;
        if (path == u"popup body"_s) {
            QTest::mouseClick(window->findChild<QLabel *>(u"imgGradient"_s), Qt::LeftButton);
        } else if (path == u"Done button"_s) {
            QTest::mouseClick(button(window, PopupSnooze::DoneAnswer), Qt::LeftButton);
            completes = true;
        } else if (path == u"Snooze button"_s) {
            QTest::mouseClick(button(window, PopupSnooze::SnoozeAnswer), Qt::LeftButton);
        } else if (path == u"Snooze menu"_s) {
            button(window, PopupSnooze::SnoozeAnswer)->menu()->actions().at(3)->trigger();
            movedBy = 30;
        } else {
            f.digest()->findChild<QPushButton *>(u"bbSnoozeAll"_s)->click();
        }

        QVERIFY(f.prompter.shown.isEmpty());
        if (what == u"none"_s) {
            QCOMPARE(done.size(), int(completes));
            QCOMPARE(snoozed.size(), int(!completes));
            QCOMPARE(asked, int(path == u"popup body"_s));
            if (completes) {
                QCOMPARE(f.value(id, u"Completed"_s).toBool(), true);
            } else {
                const DateTime now = f.clock.now();
                QCOMPARE(f.alarmOf(id), DateTime::fromParts(now.dayNumber(), now.msecsOfDay() + movedBy * 60000));
            }
        } else {
            QCOMPARE(done.size(), 0);
            QCOMPARE(snoozed.size(), 0);
            QCOMPARE(asked, 0);
            QCOMPARE((QVariantList{f.value(id, u"AlarmDateTime"_s), f.value(id, u"Completed"_s)}), before);
        }
    }

    // The task changing while the snooze question is open counts too.
    void changedWhileAsking()
    {
        MissedFixture f;
        f.state.SnoozeConfirm = true;
        const qint64 id = f.add({.alarm = at(2026, 12, 10, 8, 0), .snoozeTime = 10});
        f.engine->snooze().setConfirm([&](int) {
            change(f, u"completed"_s, id);
            return PopupSnooze::Confirmation{true, false};
        });
        f.engine->tPopupTimer();
        QSignalSpy snoozed(&f.engine->snooze(), &PopupSnooze::taskSnoozed);
        f.engine->snooze().MSNPopUpTextClick({id, at(2026, 12, 10, 8, 0)});
        QCOMPARE(snoozed.size(), 0);
        QCOMPARE(f.alarmOf(id), at(2026, 12, 10, 8, 0));
    }

    // A popup whose task was completed, deleted or given another alarm
    // closes at the next tick of the alarm timer, or at once when this
    // program reads the task list again; one whose task still stands stays.
    void stalePopupsClose_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("requery");
        for (const QString &what : Changes) {
            QTest::addRow("%s, next tick", qPrintable(what)) << what << false;
            QTest::addRow("%s, task list read again", qPrintable(what)) << what << true;
        }
    }
    void stalePopupsClose()
    {
        QFETCH(QString, what);
        QFETCH(bool, requery);
        MissedFixture f;
        const qint64 id = f.add({.alarm = at(2026, 12, 10, 8, 0)});
        const qint64 other = f.add({.task = u"other"_s, .alarm = at(2026, 12, 10, 8, 30)});
        f.engine->tPopupTimer();
        QCOMPARE(f.popup.openCount(), 2);
        change(f, what, id);
        f.execSql(u"update Tasks set Notes = 'seen' where ID <> %1"_s.arg(id));
        if (requery)
            f.dm.RequeryTaskList();
        else
            f.tickAfter(1);
        const int left = what == u"none"_s ? 2 : 1;
        QCOMPARE(f.popup.openCount(), left);
        QTRY_COMPARE(f.popup.popupWindows().size(), left);
        // The other task's popup is left alone.
        QStringList urls;
        for (const TfrmMSNPopUp *w : f.popup.popupWindows())
            urls << w->url();
        QVERIFY(urls.contains(QString::number(other)));
        QCOMPARE(urls.contains(QString::number(id)), what == u"none"_s);
    }

    // A task that auto-snooze moves on as it is prompted stands with its
    // new alarm: its popup stays and answers.
    void autoSnoozedPromptStands()
    {
        MissedFixture f;
        const qint64 id = f.add({.alarm = at(2026, 12, 10, 8, 0), .snoozeTime = 10, .autoSnooze = true,
                                 .repeatAutoSnooze = 2, .autoSnoozeAction = 3});
        f.engine->tPopupTimer();
        QCOMPARE(f.alarmOf(id), at(2026, 12, 10, 9, 10));
        TfrmMSNPopUp *window = onlyWindow(f.popup);
        QVERIFY(window);
        QCOMPARE(PopupPrompts::shownPrompt(*window)->alarm, at(2026, 12, 10, 9, 10));
        f.tickAfter(1);
        QCOMPARE(f.popup.openCount(), 1);
        QTest::mouseClick(button(window, PopupSnooze::DoneAnswer), Qt::LeftButton);
        QCOMPARE(f.value(id, u"Completed"_s).toBool(), true);
    }
};

QTEST_MAIN(TestPromptAnswers)
#include "tst_PromptAnswers.moc"
