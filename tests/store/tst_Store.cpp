#include "core/Error.h"
#include "store/Connection.h"
#include "store/Query.h"
#include "store/SqlText.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Adds a task through a result set and returns its new ID.
    static qint64 addTask(Query &q, const QString &task, const QString &category, int priority)
    {
        q.append();
        q.setFieldValue(u"Task"_s, task);
        q.setFieldValue(u"Category"_s, category);
        q.setFieldValue(u"Priority"_s, priority);
        q.post();
        return q.fieldByName(u"id"_s).asInteger();
    }

private slots:
    void placeholdersBecomePositional()
    {
        const PositionalSql sql = toPositional(u"select * from Tasks\nwhere ID = :ID and Task like ':no' and x = :Id_2"_s);
        QCOMPARE(sql.text, u"select * from Tasks\nwhere ID = ? and Task like ':no' and x = ?"_s);
        QCOMPARE(sql.names, QStringList({u"ID"_s, u"Id_2"_s}));
    }

    // The statements the task list may read lazily: "select * from" one
    // table, with a condition or none; the table and the part from "from".
    void selectAllShapes_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("table"); // empty: not of that shape
        QTest::addColumn<QString>("from");
        QTest::newRow("plain") << u"select * from Tasks"_s << u"Tasks"_s << u"from Tasks"_s;
        QTest::newRow("any case, line breaks")
            << u"SELECT\n*\tFROM tasks\nWHERE Completed = 0"_s << u"tasks"_s << u"FROM tasks\nWHERE Completed = 0"_s;
        QTest::newRow("columns named") << u"select ID from Tasks"_s << QString() << QString();
        QTest::newRow("no blank after select") << u"select* from Tasks"_s << QString() << QString();
        QTest::newRow("a join") << u"select * from Tasks, Other"_s << QString() << QString();
        QTest::newRow("where without a condition") << u"select * from Tasks where"_s << QString() << QString();
        QTest::newRow("a longer keyword") << u"select * from Tasks wherever x"_s << QString() << QString();
        QTest::newRow("selected") << u"selected * from Tasks"_s << QString() << QString();
    }
    void selectAllShapes()
    {
        QFETCH(QString, sql);
        QFETCH(QString, table);
        QFETCH(QString, from);
        const std::optional<SelectAll> shape = splitSelectAll(sql);
        QCOMPARE(shape.has_value(), !table.isEmpty());
        if (shape) {
            QCOMPARE(shape->table, table);
            QCOMPARE(shape->from, from);
        }
    }

    // "order by" and names count as words, and not inside quoted text.
    void wordsInStatements()
    {
        QVERIFY(hasOrderBy(u"select * from Tasks where x = 1 ORDER\n BY Task"_s));
        QVERIFY(!hasOrderBy(u"select * from Tasks where Task = 'order by'"_s));
        QVERIFY(!hasOrderBy(u"select * from Tasks where reorder by_x"_s));
        const QString index = u"CREATE INDEX I ON Tasks (Completed, AlarmDateTime) CREATE INDEX J ON Tasks(Task)"_s;
        QVERIFY(containsName(index, u"alarmdatetime"_s));
        QVERIFY(containsName(index, u"Task"_s));
        QVERIFY(!containsName(index, u"Alarm"_s));
        QVERIFY(!containsName(index, u"DateTime"_s));
    }

    void newFileGetsTheTasksTable()
    {
        Connection c;
        c.setDatabaseFile(path(u"new.mdb"_s));
        c.open();
        QSqlQuery q(c.database());
        QVERIFY(q.exec(u"select name from pragma_table_info('Tasks') order by cid"_s));
        QStringList columns;
        while (q.next())
            columns << q.value(0).toString();
        QCOMPARE(columns, QStringList({u"ID"_s, u"Task"_s, u"TaskCreated"_s, u"Category"_s, u"Priority"_s,
                                       u"Occurrence"_s, u"Frequency"_s, u"ValidHours"_s, u"ValidDays"_s,
                                       u"DueDateTime"_s, u"AlarmDateTime"_s, u"Completed"_s, u"Notes"_s,
                                       u"SnoozeTime"_s, u"AutoSnooze"_s, u"RepeatAutoSnooze"_s,
                                       u"AutoSnoozeAction"_s, u"PercentageComplete"_s, u"CompletedDate"_s}));
        // The alarm scan's query is answered from the index of rows that can
        // ring, not a table scan or the index of every open task.
        QVERIFY(q.exec(u"explain query plan select * from Tasks where AlarmDateTime <= 1 and Occurrence <> 'Immediate' "
                       "and Occurrence <> 'Todo' and Completed = False order by AlarmDateTime"_s));
        QVERIFY(q.next());
        QVERIFY2(q.value(3).toString().contains(u"TasksDueByAlarm"_s), qPrintable(q.value(3).toString()));
    }

    void olderFileGetsTheScanIndexOnOpen()
    {
        const QString file = path(u"older.mdb"_s);
        {
            Connection c;
            c.setDatabaseFile(file);
            c.open();
            QSqlQuery q(c.database());
            QVERIFY(q.exec(u"drop index TasksDueByAlarm"_s));
            QVERIFY(q.exec(u"insert into Tasks (Task, Occurrence, AlarmDateTime, Completed) values "
                           "('a', 'Todo', 1, 0), ('b', 'Immediate', 1, 0), ('c', 'Once', 1, 1), ('d', 'Once', 1, 0)"_s));
            c.close();
        }
        Connection c;
        c.setDatabaseFile(file);
        c.open();
        QSqlQuery q(c.database());
        const QString due = u"select Task from Tasks where AlarmDateTime <= 2 and Occurrence <> 'Immediate' "
                            "and Occurrence <> 'Todo' and Completed = False order by AlarmDateTime"_s;
        QVERIFY(q.exec(u"explain query plan "_s + due));
        QVERIFY(q.next());
        QVERIFY2(q.value(3).toString().contains(u"TasksDueByAlarm"_s), qPrintable(q.value(3).toString()));
        // Only the open task that can ring is in it.
        QVERIFY(q.exec(u"select count(*) from Tasks indexed by TasksDueByAlarm where Completed = False "
                       "and Occurrence <> 'Immediate' and Occurrence <> 'Todo'"_s));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        QVERIFY(q.exec(due));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), u"d"_s);
        QVERIFY(!q.next());
    }

    void unusableFilesAreReportedAndLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not a database") << QByteArray("This is a plain text file, not a database at all.\n").repeated(100);
        QTest::newRow("truncated header") << QByteArray("SQLite format 3\0garbage", 24);
    }
    void unusableFilesAreReportedAndLeftAlone()
    {
        QFETCH(QByteArray, content);
        const QString file = path(u"broken.mdb"_s);
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
        f.close();

        Connection c;
        c.setDatabaseFile(file);
        try {
            c.open();
            QFAIL("opening an unusable file must fail");
        } catch (const Error &e) {
            QVERIFY2(e.text().contains(file), qPrintable(e.text()));
        }
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
    }

    void lockedFileIsReported()
    {
        const QString file = path(u"locked.mdb"_s);
        { Connection c; c.setDatabaseFile(file); c.open(); }
        // Another program holds the database exclusively.
        QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
        other.setDatabaseName(file);
        QVERIFY(other.open());
        QSqlQuery lock(other);
        QVERIFY(lock.exec(u"pragma locking_mode = exclusive"_s));
        QVERIFY(lock.exec(u"begin exclusive"_s));

        Connection c;
        c.setDatabaseFile(file);
        QVERIFY_THROWS_EXCEPTION(Error, c.open());

        lock.exec(u"rollback"_s);
        lock.finish();
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"other"_s);
    }

    void rowsRoundTripThroughAResultSet()
    {
        Connection c;
        c.setDatabaseFile(path(u"rows.mdb"_s));
        Query q(c);
        q.setSql({u"select *"_s, u"from Tasks"_s});
        q.setUpdateTable(u"Tasks"_s);
        q.open();
        QCOMPARE(q.recordCount(), 0);
        QVERIFY(q.eof());

        const qint64 first = addTask(q, u"Pay the rent"_s, u"Home"_s, 2);
        addTask(q, u"Write report"_s, u"Work"_s, 5);
        QVERIFY(first > 0);

        // Nulls read as empty, 0, false and the date-time zero.
        QVERIFY(q.locate(u"ID"_s, first));
        QCOMPARE(q.fieldByName(u"notes"_s).asString(), QString());
        QCOMPARE(q.fieldByName(u"Frequency"_s).asInteger(), 0);
        QCOMPARE(q.fieldByName(u"AutoSnooze"_s).asBoolean(), false);
        QVERIFY(q.fieldByName(u"CompletedDate"_s).asDateTime().isZero());
        QVERIFY(q.fieldByName(u"Notes"_s).isMemo());
        QVERIFY(!q.fieldByName(u"Task"_s).isMemo());

        // Edit and post writes to the file; cancel drops the change.
        q.edit();
        q.setFieldValue(u"Completed"_s, true);
        q.setFieldValue(u"DueDateTime"_s, DateTime(46000.5).toDouble());
        q.post();
        q.edit();
        q.setFieldValue(u"Task"_s, u"discarded"_s);
        q.cancel();
        q.requery();
        QCOMPARE(q.recordCount(), 2);
        QVERIFY(q.locate(u"ID"_s, first));
        QCOMPARE(q.fieldByName(u"Task"_s).asString(), u"Pay the rent"_s);
        QCOMPARE(q.fieldByName(u"Completed"_s).asBoolean(), true);
        QCOMPARE(q.fieldByName(u"DueDateTime"_s).asDateTime(), DateTime(46000.5));

        // An appended row that is cancelled never reaches the file.
        q.append();
        q.setFieldValue(u"Task"_s, u"never saved"_s);
        q.cancel();
        QCOMPARE(q.recordCount(), 2);
        q.requery();
        QCOMPARE(q.recordCount(), 2);
        QVERIFY(!q.locate(u"Task"_s, u"never saved"_s));

        q.deleteRow();
        q.requery();
        QCOMPARE(q.recordCount(), 1);
    }

    // A date-time past every date in the file (damaged, or edited by hand)
    // is read as the nearest date a task can have; ordinary dates are read
    // as stored.
    void dateTimesPastEveryDateAreBounded_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("read");
        QTest::newRow("a date") << u"46000.75"_s << 46000.75;
        const double lastDate = DateTime::fromDateAndTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999)).toDouble();
        const double firstDate = DateTime::fromDate(QDate(1, 1, 1)).toDouble();
        QTest::newRow("1e300") << u"1e300"_s << lastDate;
        QTest::newRow("-1e300") << u"-1e300"_s << firstDate;
        QTest::newRow("infinity") << u"9e999"_s << lastDate;
    }
    void dateTimesPastEveryDateAreBounded()
    {
        QFETCH(QString, stored);
        QFETCH(double, read);
        Connection c;
        c.setDatabaseFile(path(u"bounded.mdb"_s));
        QSqlQuery sql(c.database());
        QVERIFY(sql.exec(u"delete from Tasks"_s));
        QVERIFY2(sql.exec(u"insert into Tasks (Task, DueDateTime, AlarmDateTime) values ('x', %1, %1)"_s.arg(stored)),
                 qPrintable(sql.lastError().text()));
        sql.finish();
        Query q(c);
        q.setSql({u"select *"_s, u"from Tasks"_s});
        q.open();
        QCOMPARE(q.fieldByName(u"DueDateTime"_s).asDateTime().toDouble(), read);
        QCOMPARE(q.fieldByName(u"AlarmDateTime"_s).asDateTime().toDouble(), read);
    }

    void engineRefusesOversizedValues_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("21-character category") << u"Category"_s << QVariant(QString(21, u'x'));
        QTest::newRow("256-character task") << u"Task"_s << QVariant(QString(256, u'x'));
        QTest::newRow("priority beyond a byte") << u"Priority"_s << QVariant(256);
        QTest::newRow("completed neither true nor false") << u"Completed"_s << QVariant(2);
    }
    void engineRefusesOversizedValues()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, value);
        Connection c;
        c.setDatabaseFile(path(u"sizes.mdb"_s));
        Query q(c);
        q.setSql({u"select * from Tasks"_s});
        q.setUpdateTable(u"Tasks"_s);
        q.open();
        const int before = q.recordCount();
        q.append();
        q.setFieldValue(field, value);
        try {
            q.post();
            QFAIL("the engine must refuse the value");
        } catch (const Error &e) {
            QVERIFY2(e.text().contains(u"CHECK"_s, Qt::CaseInsensitive), qPrintable(e.text()));
        }
        q.cancel();
        q.requery();
        QCOMPARE(q.recordCount(), before);
    }

    void requeryKeepsTextAndParameters()
    {
        Connection c;
        c.setDatabaseFile(path(u"params.mdb"_s));
        Query writer(c);
        writer.setSql({u"select * from Tasks"_s});
        writer.setUpdateTable(u"Tasks"_s);
        writer.open();
        addTask(writer, u"a"_s, u"Work"_s, 1);
        addTask(writer, u"b"_s, u"Home"_s, 2);

        Query q(c);
        q.addLine(u"select *"_s);
        q.setParam(u"Category"_s, u"Work"_s); // set while the text is still being built
        q.addLine(u"from Tasks"_s);
        q.addLine(u"where Category = :Category"_s);
        q.open();
        QCOMPARE(q.recordCount(), 1);
        addTask(writer, u"c"_s, u"Work"_s, 3);
        QCOMPARE(q.recordCount(), 1); // a snapshot
        q.requery();
        QCOMPARE(q.recordCount(), 2);

        Query missing(c);
        missing.setSql({u"select * from Tasks where ID = :ID"_s});
        QVERIFY_THROWS_EXCEPTION(Error, missing.open());
    }

    void ordersWithoutReReading()
    {
        Connection c;
        c.setDatabaseFile(path(u"order.mdb"_s));
        Query q(c);
        q.setSql({u"select * from Tasks"_s});
        q.setUpdateTable(u"Tasks"_s);
        q.open();
        addTask(q, u"beta"_s, u"Work"_s, 5);
        addTask(q, u"Alpha"_s, u"Home"_s, 5);
        addTask(q, u"gamma"_s, u"Work"_s, 1);

        const auto column = [&q](const QString &name) {
            QStringList out;
            for (q.first(); !q.eof(); q.next())
                out << q.fieldByName(name).asString();
            return out;
        };
        q.sortBy(u"Priority DESC, Task"_s);
        QCOMPARE(column(u"Task"_s), QStringList({u"Alpha"_s, u"beta"_s, u"gamma"_s}));
        q.sortBy(u"Priority"_s);
        QCOMPARE(column(u"Task"_s).first(), u"gamma"_s);
        QVERIFY_THROWS_EXCEPTION(Error, q.sortBy(u"NoSuchField"_s));
    }

    void declaredFieldsLimitTheResultAndCheckRanges()
    {
        Connection c;
        c.setDatabaseFile(path(u"defs.mdb"_s));
        Query q(c);
        q.setSql({u"select *"_s, u"from Tasks"_s});
        q.setFieldDefs({{u"ID"_s, {}, {}, {}}, {u"SnoozeTime"_s, u"Snooze"_s, 0, 60}});
        q.setUpdateTable(u"Tasks"_s);
        q.open();
        QCOMPARE(q.fieldCount(), 2);
        QCOMPARE(q.field(1).displayLabel(), u"Snooze"_s);
        q.append();
        // Whole numbers 0 to 60 only, whatever form they come in.
        for (const QVariant &refused : {QVariant(61), QVariant(-1), QVariant(60.4), QVariant(u"1e3"_s),
                                        QVariant(u"12 minutes"_s), QVariant(u""_s)})
            QVERIFY_THROWS_EXCEPTION(Error, q.setFieldValue(u"SnoozeTime"_s, refused));
        q.setFieldValue(u"SnoozeTime"_s, u"15"_s);
        QCOMPARE(q.fieldByName(u"SnoozeTime"_s).asInteger(), 15);
        q.setFieldValue(u"SnoozeTime"_s, 60);
        q.post();
        QCOMPARE(q.fieldByName(u"SnoozeTime"_s).asInteger(), 60);

        // The table itself refuses a fraction there.
        QSqlQuery direct(c.database());
        QVERIFY(!direct.exec(u"update Tasks set SnoozeTime = 60.4"_s));
        QVERIFY(direct.exec(u"update Tasks set SnoozeTime = 30.0"_s));
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_Store.moc"
