// The task list read lazily: the order and the count are read whole, the
// rows a page at a time. It must list what a whole read lists, in the same
// order (ties, nulls and text of any script included), follow the snapshot
// rule, and read only the pages the grid shows.

#include "ViewsFixture.h"

#include "store/Connection.h"
#include "store/Query.h"
#include "views/FilterBuilder.h"

#include <QHeaderView>
#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace {
// Texts that tie, differ only in case, carry accents or come from other
// scripts; a null and an empty text among them; long texts that share
// their first 24 characters and differ after them, in case or in letters.
const QStringList texts = {u"apple"_s,    u"Apple"_s,   u"APPLE"_s,    u"äpfel"_s,    u"Äpfel"_s,     u"Zebra"_s,
                           u"zebra"_s,    u"éclair"_s,  u"Éclair"_s,   u"straße"_s,   u"STRASSE"_s,   u"ß"_s,
                           u"Ω omega"_s,  u"ω omega"_s, u"Яблоко"_s,   u"яблоко"_s,   u"😀 smile"_s,  u"İstanbul"_s,
                           u"istanbul"_s, QString(),    u""_s,         u"a"_s,        u"b"_s,         u"10"_s,
                           u"9"_s,        u"apple "_s,  u"日本語"_s,   u"Ǆemal"_s,    u"ǆemal"_s,     u"apple"_s,
                           u"Call the dentist about the bill"_s, u"call the dentist about the Bill"_s,
                           u"Call the dentist about thE bill"_s, u"Call the dentist about the büll"_s,
                           u"Call the dentist about the bilk"_s, u"Call the dentist about the bill"_s};
const QStringList categories = {u"Work"_s, u"work"_s, u"Home"_s, u"Ärger"_s, u"ärger"_s, QString(), u""_s};
const QStringList occurrences = {u"Todo"_s, u"Daily"_s, u"Once"_s, u"Immediate"_s, QString()};
const QStringList validDays = {u"MTWTF__"_s, u"mtwtf__"_s, u"M"_s, u""_s, QString(), u"_TW"_s};

QVariant textOrNull(const QString &text)
{
    return text.isNull() ? QVariant() : QVariant(text);
}

// 420 tasks whose columns cycle with periods that share no factor, so every
// order has ties and every column has nulls.
void fillVaried(Connection &connection)
{
    Query insert(connection);
    insert.setSql({u"insert into Tasks (Task, TaskCreated, Category, Priority, Occurrence, Frequency, ValidDays, "
                   "DueDateTime, AlarmDateTime, Completed, Notes, PercentageComplete) values (:Task, :Created, "
                   ":Category, :Priority, :Occurrence, :Frequency, :ValidDays, :Due, :Alarm, :Completed, :Notes, "
                   ":Percentage)"_s});
    connection.transaction([&] {
        for (int i = 0; i < 420; ++i) {
            const auto set = [&](const QString &name, const QVariant &value) {
                if (value.isNull())
                    insert.setNullParam(name);
                else if (value.typeId() == QMetaType::Double)
                    insert.setParam(name, DateTime(value.toDouble()));
                else if (value.typeId() == QMetaType::QString)
                    insert.setParam(name, value.toString());
                else
                    insert.setParam(name, value.toLongLong());
            };
            set(u"Task"_s, textOrNull(texts.at(i % texts.size())));
            set(u"Created"_s, 46000.0 + (i % 11));
            set(u"Category"_s, textOrNull(categories.at(i % categories.size())));
            set(u"Priority"_s, i % 13 == 0 ? QVariant() : QVariant(qint64(i % 4)));
            set(u"Occurrence"_s, textOrNull(occurrences.at(i % occurrences.size())));
            set(u"Frequency"_s, qint64(i % 7 - 3));
            set(u"ValidDays"_s, textOrNull(validDays.at(i % validDays.size())));
            set(u"Due"_s, i % 9 == 0    ? QVariant()
                          : i % 17 == 3 ? QVariant(-0.25 * (i % 5))
                                        : QVariant(46350.0 + (i % 17) * 0.25));
            set(u"Alarm"_s, i % 8 == 0 ? QVariant() : QVariant(46350.0 + (i % 19) * 0.25));
            set(u"Completed"_s, qint64(i % 3 == 0 ? 1 : 0));
            // Long shared beginnings, in two cases, and text that is ASCII
            // for eight characters only.
            const QString notes[] = {u"note %1 – ü"_s, u"Common beginning, longer than 24: %1"_s,
                                     u"common BEGINNING, longer than 24: %1"_s};
            set(u"Notes"_s, i % 5 == 0 ? QVariant() : QVariant(notes[i % 3].arg(i % 23)));
            set(u"Percentage"_s, qint64(i % 3 == 0 ? 100 : (i % 6) * 10));
            insert.execSql();
        }
    });
}

PanelSelection selection(ViewState state)
{
    PanelSelection s;
    s.state = state;
    s.priorities = {{1, u"1"_s}, {3, u"3"_s}};
    s.occurrences = {{0, u"Todo"_s}, {1, u"Daily"_s}};
    s.categories = {{0, u"Work"_s}, {3, u"Ärger"_s}};
    return s;
}

// The views of the panel with an order list, as the panel builds them.
FilterSql view(const QString &name, const QString &order)
{
    const DateTime from(46350.0), to(46352.0);
    if (name == u"All"_s)
        return filterAll(ViewState::All, order);
    if (name == u"Outstanding"_s)
        return filterAll(ViewState::Outstanding, order);
    if (name == u"Completed"_s)
        return filterAll(ViewState::Completed, order);
    if (name == u"Category"_s)
        return filterByList(ValueList::Category, selection(ViewState::All), {}, order);
    if (name == u"Priority, outstanding, sub-filter"_s)
        return filterByList(ValueList::Priority, selection(ViewState::Outstanding), {false, false, true}, order);
    if (name == u"Occurrence"_s)
        return filterByList(ValueList::Occurrence, selection(ViewState::Completed), {}, order);
    if (name == u"Date range"_s)
        return filterByDateRange(selection(ViewState::All), {}, true, from, to, order);
    if (name == u"Calendar day"_s)
        return filterByCalendarDay(selection(ViewState::Outstanding), {}, false, from.date(), order);
    if (name == u"Search"_s)
        return taskSearch(ViewState::All, u"e"_s);
    qFatal("no view %s", qPrintable(name));
}

QList<qint64> keys(const Query &q)
{
    QList<qint64> out;
    const int id = q.fieldIndex(u"ID"_s);
    for (int row = 0; row < q.recordCount(); ++row)
        out << q.valueAt(row, id).toLongLong();
    return out;
}

// Every value of every row, as both result sets list them.
void compareAll(const Query &lazy, const Query &whole)
{
    QCOMPARE(lazy.recordCount(), whole.recordCount());
    QCOMPARE(lazy.fieldCount(), whole.fieldCount());
    QCOMPARE(keys(lazy), keys(whole));
    for (int row = 0; row < whole.recordCount(); ++row)
        for (int column = 0; column < whole.fieldCount(); ++column)
            QCOMPARE(lazy.valueAt(row, column), whole.valueAt(row, column));
}

// The fixture's tasks made in one statement: many, quickly.
void fillMany(Connection &connection, int count)
{
    Query insert(connection);
    insert.setSql({u"with recursive n(i) as (select 1 union all select i + 1 from n where i < :Count)"_s,
                   u"insert into Tasks (Task, TaskCreated, Category, Priority, Occurrence, DueDateTime, AlarmDateTime,"_s,
                   u" Completed, Notes, PercentageComplete)"_s,
                   u"select 'task ' || i, 46000 + i / 100.0, 'Cat' || (i % 7), i % 5, case i % 3 when 0 then 'Todo'"_s,
                   u" when 1 then 'Daily' else 'Once' end, 46000 + (i % 365), 46000 + (i % 365) - 0.01, i % 4 = 0,"_s,
                   u" 'notes ' || i, (i % 4 = 0) * 100 from n"_s});
    insert.setParam(u"Count"_s, count);
    connection.transaction([&] { insert.execSql(); });
}
}

class TestLazyTaskList : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Connection m_connection;

private slots:
    void initTestCase()
    {
        m_connection.setDatabaseFile(m_dir.filePath(u"varied.mdb"_s));
        m_connection.open();
        fillVaried(m_connection);
    }

    void sameRowsInTheSameOrderAsAWholeRead_data()
    {
        QTest::addColumn<QString>("view");
        QTest::addColumn<QString>("order");
        const QStringList views = {u"All"_s,        u"Outstanding"_s, u"Completed"_s,    u"Category"_s,
                                   u"Priority, outstanding, sub-filter"_s, u"Occurrence"_s, u"Date range"_s,
                                   u"Calendar day"_s};
        const QStringList orders = {QString(),
                                    u"Task"_s,
                                    u"Task DESC"_s,
                                    u"Priority"_s,
                                    u"Priority DESC,Task"_s,
                                    u"Category"_s,
                                    u"Category DESC,Task"_s,
                                    u"Occurrence"_s,
                                    u"DueDateTime"_s,
                                    u"AlarmDateTime DESC"_s,
                                    u"Completed,Priority"_s,
                                    u"PercentageComplete"_s,
                                    u"Notes"_s,
                                    u"ID DESC"_s,
                                    u"TaskCreated,Category"_s,
                                    u"Frequency"_s,
                                    u"Frequency DESC,Notes"_s,
                                    u"ValidDays,Task DESC"_s};
        for (const QString &v : views)
            for (const QString &o : orders)
                QTest::addRow("%s, order by %s", qPrintable(v), o.isEmpty() ? "nothing" : qPrintable(o)) << v << o;
        QTest::addRow("search") << u"Search"_s << QString();
    }
    void sameRowsInTheSameOrderAsAWholeRead()
    {
        QFETCH(QString, view);
        QFETCH(QString, order);
        const FilterSql sql = ::view(view, order);
        Query whole(m_connection), lazy(m_connection);
        lazy.setLazyRows(true);
        for (Query *q : {&whole, &lazy}) {
            sql.applyTo(*q);
            q->setUpdateTable(u"Tasks"_s);
            q->open();
        }
        QVERIFY(lazy.readsLazily());
        QVERIFY(!whole.readsLazily());
        QVERIFY(whole.recordCount() > 0);
        compareAll(lazy, whole);

        // A re-sort from a column title and a sort in place give what the
        // whole read gives, the current row staying current.
        QStringList lines = sql.lines;
        SetOrderBy(lines, u"Category DESC,Priority"_s);
        whole.moveTo(whole.recordCount() / 2);
        lazy.moveTo(lazy.recordCount() / 2);
        const bool reordered = whole.reorder(lines);
        QCOMPARE(lazy.reorder(lines), reordered);
        if (reordered) {
            compareAll(lazy, whole);
            QCOMPARE(lazy.recNo(), whole.recNo());
        }
        whole.sortBy(u"Occurrence, Task DESC"_s);
        lazy.sortBy(u"Occurrence, Task DESC"_s);
        compareAll(lazy, whole);
        QCOMPARE(lazy.recNo(), whole.recNo());
    }

    void onlyStatementsOfTheTableReadLazily_data()
    {
        QTest::addColumn<QStringList>("sql");
        QTest::addColumn<bool>("lazy");
        QTest::newRow("the table") << QStringList{u"select * from Tasks"_s} << true;
        QTest::newRow("a condition, an order, a semicolon")
            << QStringList{u"SELECT *"_s, u"FROM tasks"_s, u"WHERE Priority > 1"_s, u"ORDER BY Task;"_s} << true;
        QTest::newRow("some columns") << QStringList{u"select ID, Task from Tasks"_s} << false;
        QTest::newRow("an expression order") << QStringList{u"select * from Tasks order by lower(Task)"_s} << false;
        QTest::newRow("an alias") << QStringList{u"select * from Tasks t where t.Priority > 1"_s} << false;
        QTest::newRow("grouped") << QStringList{u"select * from Tasks group by Category"_s} << false;
    }
    void onlyStatementsOfTheTableReadLazily()
    {
        QFETCH(QStringList, sql);
        QFETCH(bool, lazy);
        Query q(m_connection), whole(m_connection);
        q.setLazyRows(true);
        for (Query *each : {&q, &whole}) {
            each->setSql(sql);
            each->setUpdateTable(u"Tasks"_s);
            each->open();
        }
        QCOMPARE(q.readsLazily(), lazy);
        QCOMPARE(q.recordCount(), whole.recordCount());
        for (int row = 0; row < whole.recordCount(); ++row)
            for (int column = 0; column < whole.fieldCount(); ++column)
                QCOMPARE(q.valueAt(row, column), whole.valueAt(row, column));
    }

    void rowsDeletedOrAddedBetweenRequeries()
    {
        QTemporaryDir dir;
        Connection connection;
        connection.setDatabaseFile(dir.filePath(u"changes.mdb"_s));
        connection.open();
        fillVaried(connection);
        const FilterSql sql = filterAll(ViewState::All, u"Task"_s);
        Query whole(connection), lazy(connection);
        lazy.setLazyRows(true);
        for (Query *q : {&whole, &lazy}) {
            sql.applyTo(*q);
            q->setUpdateTable(u"Tasks"_s);
            q->open();
        }
        const int count = lazy.recordCount();
        const int id = lazy.fieldIndex(u"ID"_s);
        // The first page is read; the last is not.
        QVariantList firstRow;
        for (int column = 0; column < lazy.fieldCount(); ++column)
            firstRow << lazy.valueAt(0, column);
        QCOMPARE(lazy.readCounts().pages, 1);
        const qint64 firstId = lazy.valueAt(0, id).toLongLong();
        const qint64 lastId = lazy.valueAt(count - 1, id).toLongLong();
        QCOMPARE(lazy.readCounts().pages, 1); // keys need no page

        Query change(connection);
        change.setSql({u"delete from Tasks where ID in (:First, :Last)"_s});
        change.setParam(u"First"_s, firstId);
        change.setParam(u"Last"_s, lastId);
        QCOMPARE(change.execSql(), 2);
        change.setSql({u"insert into Tasks (Task, Category) values ('aaa added', 'Work')"_s});
        change.execSql();

        // Until a requery the list stays as it was read: the row read before
        // keeps its values, the row read after its deletion is empty.
        QCOMPARE(lazy.recordCount(), count);
        for (int column = 0; column < lazy.fieldCount(); ++column)
            QCOMPARE(lazy.valueAt(0, column), firstRow.at(column));
        QVERIFY(!lazy.rowMissing(0));
        QVERIFY(!lazy.locate(u"Task"_s, u"aaa added"_s));
        QVERIFY(lazy.rowMissing(count - 1));
        QCOMPARE(lazy.valueAt(count - 1, id).toLongLong(), lastId);
        for (int column = 0; column < lazy.fieldCount(); ++column)
            if (column != id)
                QVERIFY(lazy.valueAt(count - 1, column).isNull());
        QVERIFY(lazy.locate(u"ID"_s, lastId));
        QCOMPARE(lazy.recNo(), count - 1);
        QCOMPARE(lazy.fieldByName(u"Task"_s).asString(), QString());

        // The grid shows it empty, without a box to tick.
        FormatSettings formats;
        TaskGridModel model(lazy, formats);
        const int completed = int(model.columnFields().indexOf(u"Completed"_s));
        QVERIFY(!model.data(model.index(count - 1, completed), Qt::CheckStateRole).isValid());
        QVERIFY(!(model.flags(model.index(count - 1, completed)) & Qt::ItemIsUserCheckable));
        QVERIFY(!model.setData(model.index(count - 1, completed), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(model.flags(model.index(1, completed)) & Qt::ItemIsUserCheckable);

        // A requery lists what a whole read lists.
        lazy.requery();
        whole.requery();
        QCOMPARE(lazy.recordCount(), count - 1);
        compareAll(lazy, whole);
        QVERIFY(lazy.locate(u"Task"_s, u"aaa added"_s));
        QVERIFY(!lazy.locate(u"ID"_s, firstId));
    }

    void editsThroughALazyList()
    {
        QTemporaryDir dir;
        Connection connection;
        connection.setDatabaseFile(dir.filePath(u"edits.mdb"_s));
        connection.open();
        fillVaried(connection);
        Query lazy(connection);
        lazy.setLazyRows(true);
        filterAll(ViewState::Outstanding, u"Priority DESC,Task"_s).applyTo(lazy);
        lazy.setUpdateTable(u"Tasks"_s);
        lazy.open();
        QVERIFY(lazy.readsLazily());
        const int count = lazy.recordCount();

        // An edit far down the list: the row is read, changed and written.
        lazy.moveTo(count - 3);
        const qint64 edited = lazy.fieldByName(u"ID"_s).asInteger();
        lazy.edit();
        lazy.setFieldValue(u"Task"_s, u"edited ✓"_s);
        lazy.post();
        QCOMPARE(lazy.fieldByName(u"Task"_s).asString(), u"edited ✓"_s);
        QCOMPARE(lazy.recNo(), count - 3);

        // An insert in the middle, as quick add and the editor make them.
        lazy.moveTo(5);
        lazy.insert();
        QCOMPARE(lazy.state(), Query::State::Insert);
        QCOMPARE(lazy.recordCount(), count + 1);
        lazy.setFieldValue(u"Task"_s, u"inserted"_s);
        lazy.setFieldValue(u"Priority"_s, 2);
        lazy.post();
        const qint64 inserted = lazy.fieldByName(u"ID"_s).asInteger();
        QVERIFY(inserted > 0);
        QCOMPARE(lazy.valueAt(5, lazy.fieldIndex(u"Task"_s)).toString(), u"inserted"_s);
        QCOMPARE(lazy.valueAt(5, lazy.fieldIndex(u"Completed"_s)).toLongLong(), 0); // the engine's default

        // An append that is cancelled leaves nothing behind.
        lazy.append();
        lazy.setFieldValue(u"Task"_s, u"never"_s);
        lazy.cancel();
        QCOMPARE(lazy.recordCount(), count + 1);

        // A delete.
        QVERIFY(lazy.locate(u"ID"_s, edited));
        lazy.deleteRow();
        QCOMPARE(lazy.recordCount(), count);

        Query whole(connection);
        whole.setSql(lazy.sql());
        whole.setParam(u"Completed"_s, false);
        whole.setUpdateTable(u"Tasks"_s);
        whole.open();
        lazy.requery();
        compareAll(lazy, whole);
        QVERIFY(!lazy.locate(u"ID"_s, edited));
        QVERIFY(lazy.locate(u"ID"_s, inserted));
    }

    void aLargeViewReadsOnlyThePagesShown()
    {
        ViewsFixture f;
        fillMany(f.dm.ADOConnection, 100000);
        f.window.resize(900, 500);
        f.grid->setGeometry(0, 30, 900, 470);
        f.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        f.start();
        QVERIFY(f.dm.qTasks.readsLazily());
        QCOMPARE(f.dm.qTasks.recordCount(), 100000);
        QCOMPARE(f.dm.taskCountText(), u" 100000 tasks"_s);
        f.grid->viewport()->repaint();
        const auto shown = [&] {
            QApplication::processEvents();
            f.grid->viewport()->repaint();
            return f.dm.qTasks.readCounts();
        };
        Query::ReadCounts reads = shown();
        QVERIFY2(reads.pages >= 1 && reads.pages <= 3, qPrintable(QString::number(reads.pages)));
        QVERIFY(reads.rows <= 3 * Query::PageRows);

        // The end of the list: a page or two more.
        f.grid->scrollToBottom();
        reads = shown();
        QVERIFY2(reads.pages <= 5, qPrintable(QString::number(reads.pages)));

        // A re-sort from a column title orders the keys, not whole rows.
        const int category = int(f.model->columnFields().indexOf(u"Category"_s));
        f.dm.qTasks.moveTo(50000);
        const qint64 current = f.dm.qTasks.fieldByName(u"ID"_s).asInteger();
        f.grid->titleClicked(category, false);
        QCOMPARE(f.dm.qTasks.sql().last(), u"order by Category"_s);
        QCOMPARE(f.dm.qTasks.fieldByName(u"ID"_s).asInteger(), current);
        reads = shown();
        QVERIFY2(reads.pages <= 8, qPrintable(QString::number(reads.pages)));
        QCOMPARE(f.dm.qTasks.valueAt(0, f.dm.qTasks.fieldIndex(u"Category"_s)).toString(), u"Cat0"_s);

        // A tick completes the task and reads the list again; again only
        // the pages shown are read.
        const int completed = int(f.model->columnFields().indexOf(u"Completed"_s));
        const int row = f.dm.qTasks.recNo();
        const bool wasDone = f.dm.qTasks.fieldByName(u"Completed"_s).asBoolean();
        QVERIFY(f.model->setData(f.model->index(row, completed), wasDone ? Qt::Unchecked : Qt::Checked,
                                 Qt::CheckStateRole));
        QCOMPARE(f.dm.qTasks.fieldByName(u"ID"_s).asInteger(), current);
        QCOMPARE(f.dm.qTasks.fieldByName(u"Completed"_s).asBoolean(), !wasDone);
        reads = shown();
        QVERIFY2(reads.pages <= 3, qPrintable(QString::number(reads.pages)));
        QCOMPARE(f.dm.qTasks.recordCount(), 100000);
    }
};

QTEST_MAIN(TestLazyTaskList)
#include "tst_LazyTaskList.moc"
