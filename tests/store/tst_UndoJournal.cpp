#include "core/Error.h"
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
