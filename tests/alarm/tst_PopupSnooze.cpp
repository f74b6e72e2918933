// Snoozing and opening a task from its notification, with the real
// confirmation dialog answered by the test.

#include "AlarmFixture.h"

#include "alarm/PopupSnooze.h"
#include "alarm/TfSnoozeConfirm.h"
#include "core/Error.h"
#include "settings/ProfileFile.h"
#include "settings/SettingsKeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
// Answers the snooze confirmation as soon as it is up; returns its question.
void answerConfirmation(bool ok, bool dontAskAgain, QString *question)
{
    QTimer::singleShot(0, qApp, [=] {
        auto *dialog = qobject_cast<TfSnoozeConfirm *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        *question = dialog->findChild<QLabel *>(u"lSnoozeTime"_s)->text();
        dialog->findChild<QCheckBox *>(u"cbConfirm"_s)->setChecked(dontAskAgain);
        dialog->findChild<QPushButton *>(ok ? u"Button1"_s : u"Button2"_s)->click();
    });
}
}

class TestPopupSnooze : public QObject
{
    Q_OBJECT

    struct Fixture : AlarmFixture
    {
        int prompts = 0;
        PromptAnswers answers{dm, state, clock};
        PopupSnooze snooze{state, dir.filePath(u"Nudgewick.ini"_s), [this] { ++prompts; }, answers};
    };

private slots:
    void cleanup()
    {
        while (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    }

    void snooze_data()
    {
        QTest::addColumn<int>("snoozeTime");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("dontAskAgain");
        QTest::addColumn<int>("movedBy"); // minutes; -1: not moved
        QTest::addColumn<QString>("question");

        QTest::newRow("10 minutes, not asked") << 10 << false << false << false << 10 << QString();
        QTest::newRow("0 means 5 minutes, asked") << 0 << true << true << false << 5 << u"Snooze this task for 5 minutes?"_s;
        QTest::newRow("asked, cancelled") << 10 << true << false << false << -1 << u"Snooze this task for 10 minutes?"_s;
        QTest::newRow("asked, not again") << 10 << true << true << true << 10 << u"Snooze this task for 10 minutes?"_s;
        QTest::newRow("cancel ignores the tick") << 10 << true << false << true << -1 << u"Snooze this task for 10 minutes?"_s;
    }
    void snooze()
    {
        QFETCH(int, snoozeTime);
        QFETCH(bool, confirm);
        QFETCH(bool, ok);
        QFETCH(bool, dontAskAgain);
        QFETCH(int, movedBy);
        QFETCH(QString, question);

        Fixture f;
        f.state.SnoozeConfirm = confirm;
        const DateTime alarm = at(2026, 12, 10, 8, 0);
        const qint64 id = f.add({.alarm = alarm, .snoozeTime = snoozeTime});
        QString asked;
        if (confirm)
            answerConfirmation(ok, dontAskAgain, &asked);
        f.snooze.MSNPopUpTextClick({id, alarm});

        QCOMPARE(asked, question);
        const DateTime now = f.clock.now();
        QCOMPARE(f.alarmOf(id), movedBy < 0 ? alarm : DateTime::fromParts(now.dayNumber(), now.msecsOfDay() + movedBy * 60000));
        QCOMPARE(f.prompts, 0);
        const bool stopsAsking = ok && dontAskAgain;
        QCOMPARE(f.state.SnoozeConfirm, confirm && !stopsAsking);
        // The choice is in the settings file at once, so a restart keeps it.
        const ProfileFile ini(f.dir.filePath(u"Nudgewick.ini"_s));
        QCOMPARE(hasSetting(ini, Setting::SnoozeConfirm), stopsAsking);
        QVERIFY(!readBool(ini, Setting::SnoozeConfirm));

        if (stopsAsking) { // later snoozes ask nothing
            int asks = 0;
            f.snooze.setConfirm([&](int) { ++asks; return PopupSnooze::Confirmation{true, false}; });
            f.clock.advanceSeconds(60);
            f.snooze.MSNPopUpTextClick({id, f.alarmOf(id)});
            QCOMPARE(asks, 0);
            QCOMPARE(f.alarmOf(id), DateTime::fromParts(now.dayNumber(), now.msecsOfDay() + 60000 + 600000));
        }
    }

    // A task deleted before the click, or while the question is open, is
    // left alone without a message.
    void deletedTaskIsLeftAlone()
    {
        Fixture f;
        f.state.SnoozeConfirm = true;
        int asks = 0;
        f.snooze.setConfirm([&](int) { ++asks; return PopupSnooze::Confirmation{true, false}; });
        f.snooze.MSNPopUpTextClick({41, at(2026, 12, 10, 8, 0)});
        QCOMPARE(asks, 0);

        const qint64 id = f.add({.alarm = at(2026, 12, 10, 8, 0)});
        f.snooze.setConfirm([&](int) {
            Query gone(f.dm.ADOConnection);
            gone.setSql({u"delete from Tasks"_s});
            gone.execSql();
            return PopupSnooze::Confirmation{true, false};
        });
        QSignalSpy snoozed(&f.snooze, &PopupSnooze::taskSnoozed);
        f.snooze.MSNPopUpTextClick({id, at(2026, 12, 10, 8, 0)});
        QVERIFY(f.value(id, u"ID"_s).isNull());
        QCOMPARE(snoozed.size(), 0);
    }

    // A left click on the text opens the editor on the task and never snoozes.
    void textClickOpensTheTask()
    {
        Fixture f;
        const qint64 id = f.add({.alarm = at(2026, 12, 10, 8, 0)});
        f.snooze.MSNPopUpURLClick(QString::number(id));
        QCOMPARE(f.state.PromptedTaskID, int(id));
        QCOMPARE(f.prompts, 1);
        QCOMPARE(f.alarmOf(id), at(2026, 12, 10, 8, 0));
    }

    void urlThatIsNoTaskIdChangesNothing()
    {
        Fixture f;
        f.state.PromptedTaskID = 7;
        for (const QString &url : {u"abc"_s, u""_s, u"99999999999"_s}) {
            QVERIFY_THROWS_EXCEPTION(Error, f.snooze.MSNPopUpURLClick(url));
            QCOMPARE(f.state.PromptedTaskID, 7);
            QCOMPARE(f.prompts, 0);
        }
        QVERIFY_THROWS_EXCEPTION(Error, PopupSnooze::taskIdFromUrl(u"1x"_s));
    }
};

QTEST_MAIN(TestPopupSnooze)
#include "tst_PopupSnooze.moc"
