#include "core/Error.h"
#include "core/DateTime.h"
#include "store/AnchorDays.h"
#include "store/Connection.h"
#include "store/DatabaseCopy.h"
#include "store/Statement.h"
#include "store/UndoJournal.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void exec(Connection &c, const QString &sql)
{
    QSqlQuery q(c.database());
    QVERIFY2(q.exec(sql), qPrintable(sql));
}

qint64 number(Connection &c, const QString &sql)
{
    Statement s(c.handle(), sql);
    return s.step() ? s.value(0).toLongLong() : -1;
}

QStringList titles(Connection &c)
{
    Statement s(c.handle(), u"select Task from Tasks order by ID"_s);
    QStringList all;
    while (s.step())
        all << s.value(0).toString();
    return all;
}

} // namespace

class TestUndoJournal : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    // The journal lives in the database file: a step made before a restart
    // is undone after it; a new step ends what could be redone; the
    // journal keeps its last steps only.
    void journalPersistsRedoEndsAndTrims()
    {
        const QString file = m_dir.filePath(u"persist.mdb"_s);
        {
            Connection c;
            c.setDatabaseFile(file);
            c.step(u"Add “One”"_s, [&] { exec(c, u"insert into Tasks (Task) values ('One')"_s); });
        }
        Connection c;
        c.setDatabaseFile(file);
        UndoJournal journal(c);
        QCOMPARE(journal.undoLabel(), u"Add “One”"_s);
        QVERIFY(journal.undo().done);
        QCOMPARE(titles(c), QStringList());
        QCOMPARE(journal.redoLabel(), u"Add “One”"_s);

        c.step(u"Add “Two”"_s, [&] { exec(c, u"insert into Tasks (Task) values ('Two')"_s); });
        QCOMPARE(journal.redoLabel(), QString());
        QVERIFY(!journal.redo().done);

        // A step that changes nothing is no step.
        c.step(u"Edit “Two”"_s, [&] { exec(c, u"update Tasks set Task = 'Two'"_s); });
        QCOMPARE(journal.undoLabel(), u"Add “Two”"_s);

        for (int i = 0; i < undojournal::StepLimit + 5; ++i)
            c.step(u"Step %1"_s.arg(i), [&] { exec(c, u"update Tasks set Priority = %1"_s.arg(i)); });
        QCOMPARE(number(c, u"select count(*) from UndoSteps"_s), qint64(undojournal::StepLimit));
        QCOMPARE(number(c, u"select count(distinct Step) from UndoRows"_s), qint64(undojournal::StepLimit));
        QCOMPARE(journal.undoLabel(), u"Step %1"_s.arg(undojournal::StepLimit + 4));

        // Writes outside a step (the alarm scan's own) are not recorded.
        exec(c, u"update Tasks set Priority = 99"_s);
        QCOMPARE(number(c, u"select count(*) from UndoSteps"_s), qint64(undojournal::StepLimit));
    }

    // A failing step leaves neither the change nor its record; a step
    // nested in another belongs to the outer one.
    void failedStepLeavesNothingAndStepsNest()
    {
        Connection c;
        c.setDatabaseFile(m_dir.filePath(u"nest.mdb"_s));
        QVERIFY_THROWS_EXCEPTION(Error, c.step(u"Add"_s, [&] {
            exec(c, u"insert into Tasks (Task) values ('Gone')"_s);
            throw Error(u"refused"_s);
        }));
        QCOMPARE(titles(c), QStringList());
        QCOMPARE(number(c, u"select count(*) from UndoSteps"_s), 0);

        c.step(u"Outer"_s, [&] {
            exec(c, u"insert into Tasks (Task) values ('A')"_s);
            c.transaction([&] { c.step(u"Inner"_s, [&] { exec(c, u"insert into Tasks (Task) values ('B')"_s); }); });
            try {
                c.transaction([&] {
                    exec(c, u"insert into Tasks (Task) values ('C')"_s);
                    throw Error(u"refused"_s);
                });
            } catch (const Error &) {
            }
        });
        QCOMPARE(titles(c), (QStringList{u"A"_s, u"B"_s}));
        QCOMPARE(number(c, u"select count(*) from UndoSteps"_s), 1);
        UndoJournal journal(c);
        QCOMPARE(journal.undo().applied, 2);
        QCOMPARE(titles(c), QStringList());
    }

    // A file made before the journal gains it when opened.
    void existingFileGainsTheJournal()
    {
        const QString file = m_dir.filePath(u"old.mdb"_s);
        {
            Connection c;
            c.setDatabaseFile(file);
            exec(c, u"insert into Tasks (Task) values ('Kept')"_s);
            exec(c, u"drop table UndoRows"_s);
            exec(c, u"drop table UndoSteps"_s);
        }
        Connection c;
        c.setDatabaseFile(file);
        c.open();
        QVERIFY(c.journalled());
        c.step(u"Delete “Kept”"_s, [&] { exec(c, u"delete from Tasks"_s); });
        UndoJournal journal(c);
        QVERIFY(journal.undo().done);
        QCOMPARE(titles(c), QStringList{u"Kept"_s});
    }

    // The day a monthly task keeps goes along with its task: the triggers
    // drop it with the task, with a kind that keeps none and with a due
    // date moved to another day (not one cut to a shorter month's end), and
    // undo and redo bring it back and take it again with the task's row. A
    // file made before the table gains it when opened.
    void keptDaysFollowTheirTasks()
    {
        const QString file = m_dir.filePath(u"anchors.mdb"_s);
        {
            Connection c;
            c.setDatabaseFile(file);
            c.open();
            exec(c, u"drop trigger TaskAnchorDaysGoWithTask"_s);
            exec(c, u"drop trigger TaskAnchorDaysFollowKind"_s);
            exec(c, u"drop trigger TaskAnchorDaysFollowDue"_s);
            exec(c, u"drop table TaskAnchorDays"_s);
            exec(c, u"drop table UndoAnchorRows"_s);
        }
        Connection c;
        c.setDatabaseFile(file);
        c.open();
        QVERIFY(anchordays::present(c));
        const auto due = [&](int year, int month, int day) {
            exec(c, u"update Tasks set DueDateTime = %1"_s.arg(
                        DateTime::fromDateAndTime(QDate(year, month, day), QTime(9, 0)).toDouble(), 0, 'g', 17));
        };
        UndoJournal journal(c);

        c.step(u"Add “Rent”"_s, [&] {
            exec(c, u"insert into Tasks (Task, Occurrence) values ('Rent', 'Monthly')"_s);
            due(2026, 10, 31);
            anchordays::write(c, 1, 31);
        });
        QCOMPARE(anchordays::read(c, 1), 31);
        due(2026, 11, 30); // a step cut it to November's end: kept
        QCOMPARE(anchordays::read(c, 1), 31);
        exec(c, u"update Tasks set Occurrence = 'Yearly'"_s);
        QCOMPARE(anchordays::read(c, 1), 31);
        exec(c, u"update Tasks set Occurrence = 'Monthly'"_s);

        // Moved to the 15th in the editor, which keeps that day then.
        c.step(u"Edit “Rent”"_s, [&] {
            due(2026, 12, 15);
            QCOMPARE(anchordays::read(c, 1), 0);
            anchordays::write(c, 1, 15);
        });
        QCOMPARE(anchordays::read(c, 1), 15);
        QVERIFY(journal.undo().skippedTasks.isEmpty());
        QCOMPARE(anchordays::read(c, 1), 31);
        QVERIFY(journal.redo().done);
        QCOMPARE(anchordays::read(c, 1), 15);

        c.step(u"Edit “Rent”"_s, [&] { exec(c, u"update Tasks set Occurrence = 'Daily'"_s); });
        QCOMPARE(anchordays::read(c, 1), 0);
        QVERIFY(journal.undo().done);
        QCOMPARE(anchordays::read(c, 1), 15);

        c.step(u"Delete “Rent”"_s, [&] { exec(c, u"delete from Tasks"_s); });
        QCOMPARE(number(c, u"select count(*) from TaskAnchorDays"_s), 0);
        QVERIFY(journal.undo().done);
        QCOMPARE(titles(c), QStringList{u"Rent"_s});
        QCOMPARE(anchordays::read(c, 1), 15);
        QVERIFY(journal.redo().done);
        QCOMPARE(number(c, u"select count(*) from TaskAnchorDays"_s), 0);

        // Undoing an add takes the day too; redoing brings both back.
        c.step(u"Add “Birthday”"_s, [&] {
            exec(c, u"insert into Tasks (Task, Occurrence, DueDateTime) values ('Birthday', 'Yearly', %1)"_s.arg(
                        DateTime::fromDateAndTime(QDate(2028, 2, 29), QTime(9, 0)).toDouble(), 0, 'g', 17));
            anchordays::write(c, 2, 29);
        });
        QVERIFY(journal.undo().done);
        QCOMPARE(titles(c), QStringList());
        QCOMPARE(number(c, u"select count(*) from TaskAnchorDays"_s), 0);
        QVERIFY(journal.redo().done);
        QCOMPARE(titles(c), QStringList{u"Birthday"_s});
        QCOMPARE(anchordays::read(c, 2), 29);
    }

    // A restore replaces everything; it becomes one step whose undo brings
    // back the tasks as they were, and the journal before it goes on.
    void restoreIsOneStep()
    {
        const QString live = m_dir.filePath(u"live.mdb"_s);
        const QString backup = m_dir.filePath(u"backup.mdb"_s);
        Connection c;
        c.setDatabaseFile(live);
        exec(c, u"insert into Tasks (Task) values ('Old one'), ('Old two')"_s);
        databasecopy::copyDatabase(live, backup);
        c.step(u"Add “New”"_s, [&] { exec(c, u"insert into Tasks (Task) values ('New')"_s); });
        exec(c, u"update Tasks set Notes = 'changed' where Task = 'Old two'"_s);
        const QStringList before = titles(c);
        const qint64 notes = number(c, u"select count(*) from Tasks where Notes = 'changed'"_s);

        UndoJournal journal(c);
        journal.keepBeforeRestore();
        databasecopy::restoreDatabase(backup, live);
        journal.recordRestore(u"Restore from backup"_s);
        QCOMPARE(titles(c), (QStringList{u"Old one"_s, u"Old two"_s}));
        QCOMPARE(journal.undoLabel(), u"Restore from backup"_s);

        QVERIFY(journal.undo().skippedTasks.isEmpty());
        QCOMPARE(titles(c), before);
        QCOMPARE(number(c, u"select count(*) from Tasks where Notes = 'changed'"_s), notes);
        QCOMPARE(journal.undoLabel(), u"Add “New”"_s);
        QVERIFY(journal.redo().done);
        QCOMPARE(titles(c), (QStringList{u"Old one"_s, u"Old two"_s}));

        // Recording goes on after the restore.
        c.step(u"Add “Later”"_s, [&] { exec(c, u"insert into Tasks (Task) values ('Later')"_s); });
        QCOMPARE(journal.undoLabel(), u"Add “Later”"_s);
    }
};

QTEST_MAIN(TestUndoJournal)
#include "tst_UndoJournal.moc"
