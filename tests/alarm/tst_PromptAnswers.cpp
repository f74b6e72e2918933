// The answers to a prompt: what Done does for one-off and repeating tasks.

#include "support/QuietRaise.h"
#include "MissedFixture.h"

#include "alarm/PromptAnswers.h"
#include "store/UndoJournal.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

qint64 undoSteps(Connection &connection)
{
    Query count(connection);
    count.setSql({u"select count(*) as N from UndoSteps"_s});
    count.open();
    return count.fieldByName(u"N"_s).asInteger();
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

    // Done: a one-off task is completed as the grid's tick completes it; a
    // repeating one moves to its next occurrence as Apply Occurrence moves
    // it, and the label says when that is. Either is one undo step, which
    // brings the task back as it was.
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
        const TaskSchedule schedule{occurrence, 1, u"00-23"_s, u"MTWTFSS"_s, due, alarm, 5};
        QCOMPARE(DoneAction::of(f.clock, schedule, f.state.Formats).label, label);

        const qint64 stepsBefore = undoSteps(f.dm.ADOConnection);
        QSignalSpy done(&f.engine->answers(), &PromptAnswers::taskDone);
        QVERIFY(f.engine->answers().done(id));
        QCOMPARE(done.size(), 1);
        QCOMPARE(f.value(id, u"Completed"_s).toBool(), completed);
        QCOMPARE(f.value(id, u"PercentageComplete"_s).toInt(), completed ? 100 : 0);
        if (completed)
            QCOMPARE(DateTime(f.value(id, u"CompletedDate"_s).toDouble()), f.clock.now());
        else
            QVERIFY(f.value(id, u"CompletedDate"_s).isNull());
        QCOMPARE(DateTime(f.value(id, u"DueDateTime"_s).toDouble()), nextDue);
        QCOMPARE(f.alarmOf(id), nextAlarm);

        QCOMPARE(undoSteps(f.dm.ADOConnection), stepsBefore + 1);
        UndoJournal journal(f.dm.ADOConnection);
        QCOMPARE(journal.undoLabel(), undoLabel);
        journal.undo();
        QCOMPARE(f.value(id, u"Completed"_s).toBool(), false);
        QCOMPARE(DateTime(f.value(id, u"DueDateTime"_s).toDouble()), due);
        QCOMPARE(f.alarmOf(id), alarm);
    }
};

QTEST_MAIN(TestPromptAnswers)
#include "tst_PromptAnswers.moc"
