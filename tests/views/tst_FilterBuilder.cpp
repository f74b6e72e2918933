// The SQL text of each view, compared line by line, and the date periods of
// the Date Range tab.

#include "store/Connection.h"
#include "store/Query.h"
#include "views/FilterBuilder.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FilterSql)
Q_DECLARE_METATYPE(ValueList)
Q_DECLARE_METATYPE(ViewState)

namespace {
// Parameters as "name=value" joined by "; "; dates as yyyy-MM-dd hh:mm:ss.zzz.
QString paramText(const FilterSql &sql)
{
    QStringList out;
    for (const auto &[name, value] : sql.params) {
        QString text;
        if (value.typeId() == QMetaType::Bool)
            text = value.toBool() ? u"true"_s : u"false"_s;
        else if (value.typeId() == QMetaType::Double)
            text = DateTime(value.toDouble()).toQDateTime().toString(u"yyyy-MM-dd hh:mm:ss.zzz"_s);
        else
            text = value.toString();
        out << name + u"="_s + text;
    }
    return out.join(u"; "_s);
}

CheckedItem item(int position, const QString &caption)
{
    return {position, caption};
}

DateTime at(int y, int m, int d, int h, int min)
{
    return DateTime::fromQDateTime(QDateTime(QDate(y, m, d), QTime(h, min)));
}
}

class TestFilterBuilder : public QObject
{
    Q_OBJECT
private slots:
    void viewLines_data()
    {
        QTest::addColumn<FilterSql>("sql");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("params");

        PanelSelection outstanding;
        outstanding.state = ViewState::Outstanding;
        outstanding.priorities = {item(0, u"1"_s), item(2, u"5"_s)};
        outstanding.categories = {item(1, u"Work"_s)};
        outstanding.occurrences = {item(3, u"Daily"_s)};
        PanelSelection nothing; // view state All, nothing checked
        PanelSelection completed = outstanding;
        completed.state = ViewState::Completed;
        completed.priorities.clear();

        QTest::newRow("all, state all") << filterAll(ViewState::All, u"Task"_s) << u"select *|from Tasks|order by Task"_s
                                        << QString();
        QTest::newRow("all, outstanding, empty order")
            << filterAll(ViewState::Outstanding, u" "_s) << u"select *|from Tasks|where Completed = :Completed"_s
            << u"Completed=false"_s;
        QTest::newRow("priority, outstanding, categories on")
            << filterByList(ValueList::Priority, outstanding, {false, false, true}, u"Task"_s)
            << u"select *|from Tasks|where Completed = :Completed|and  (Priority = :Priority0|or Priority = :Priority2|)"
               "|and  (Category = :Category1|)|order by Task"_s
            << u"Completed=false; Priority0=1; Priority2=5; Category1=Work"_s;
        QTest::newRow("priority, nothing checked, sub-filters on")
            << filterByList(ValueList::Priority, nothing, {true, true, true}, u"Task DESC"_s)
            << u"select *|from Tasks|where  ( Priority = :Priority|)|order by Task DESC"_s
            << u"Priority="_s + NoMatchValue;
        QTest::newRow("occurrence, completed, both sub-filters, no priority checked")
            << filterByList(ValueList::Occurrence, completed, {true, true, true}, u"Priority DESC,Task"_s)
            << u"select *|from Tasks|where Completed = :Completed|and  (Occurrence = :Occurrence3|)"
               "|and  (Category = :Category1|)|order by Priority DESC,Task"_s
            << u"Completed=true; Occurrence3=Daily; Category1=Work"_s;
        QTest::newRow("occurrence, nothing checked")
            << filterByList(ValueList::Occurrence, nothing, {}, u"Task"_s)
            << u"select *|from Tasks|where  ( Occurrence = :Occurrence|)|order by Task"_s
            << u"Occurrence="_s + NoMatchValue;
        QTest::newRow("category, two checked, priorities then occurrences")
            << filterByList(ValueList::Category,
                            PanelSelection{ViewState::All, {item(1, u"3"_s)}, {item(0, u"Todo"_s)},
                                           {item(0, u"Home"_s), item(3, u"Work"_s)}},
                            {true, true, true}, u"Task"_s)
            << u"select *|from Tasks|where  ( Category = :Category0|or  Category = :Category3|)"
               "|and  (Priority = :Priority1|)|and  (Occurrence = :Occurrence0|)|order by Task"_s
            << u"Category0=Home; Category3=Work; Priority1=3; Occurrence0=Todo"_s;
        QTest::newRow("category, nothing checked")
            << filterByList(ValueList::Category, nothing, {}, QString())
            << u"select *|from Tasks|where  ( Category = :Category|)"_s << u"Category="_s + NoMatchValue;
        QTest::newRow("date range, due, outstanding, all sub-filters")
            << filterByDateRange(outstanding, {true, true, true}, true, at(2026, 12, 7, 0, 0), at(2026, 12, 13, 23, 59),
                                 u"Task"_s)
            << u"select *|from Tasks|where Completed = :Completed|and DueDateTime >= :DueDateTime1"
               "|and DueDateTime <= :DueDateTime2|and  (Priority = :Priority0|or Priority = :Priority2|)"
               "|and  (Occurrence = :Occurrence3|)|and  (Category = :Category1|)|order by Task"_s
            << u"Completed=false; DueDateTime1=2026-12-07 00:00:00.000; DueDateTime2=2026-12-13 23:59:00.000; "
               "Priority0=1; Priority2=5; Occurrence3=Daily; Category1=Work"_s;
        QTest::newRow("date range, alarm, all")
            << filterByDateRange(nothing, {true, false, true}, false, at(2026, 12, 10, 0, 0), at(2026, 12, 10, 23, 59),
                                 u"Task"_s)
            << u"select *|from Tasks|where AlarmDateTime >= :AlarmDateTime1|and AlarmDateTime <= :AlarmDateTime2"
               "|order by Task"_s
            << u"AlarmDateTime1=2026-12-10 00:00:00.000; AlarmDateTime2=2026-12-10 23:59:00.000"_s;
        QTest::newRow("calendar day, due")
            << filterByCalendarDay(nothing, {}, true, QDate(2026, 2, 28), u"Task"_s)
            << u"select *|from Tasks|where  DueDateTime >= :DueDateTime1|and DueDateTime <= :DueDateTime2|order by Task"_s
            << u"DueDateTime1=2026-02-28 00:00:00.000; DueDateTime2=2026-02-28 23:59:59.999"_s;
        QTest::newRow("calendar day, alarm, completed, occurrences")
            << filterByCalendarDay(completed, {false, true, false}, false, QDate(2026, 12, 10), u"Task"_s)
            << u"select *|from Tasks|where Completed = :Completed|and  AlarmDateTime >= :AlarmDateTime1"
               "|and AlarmDateTime <= :AlarmDateTime2|and  (Occurrence = :Occurrence3|)|order by Task"_s
            << u"Completed=true; AlarmDateTime1=2026-12-10 00:00:00.000; AlarmDateTime2=2026-12-10 23:59:59.999; "
               "Occurrence3=Daily"_s;
        QTest::newRow("calendar marks, leap February, no order line")
            << calendarMonthMarks(outstanding, {false, false, true}, true, QDate(2028, 2, 10))
            << u"select *|from Tasks|where Completed = :Completed|and DueDateTime >= :DueDateTime1"
               "|and DueDateTime <= :DueDateTime2|and  (Category = :Category1|)"_s
            << u"Completed=false; DueDateTime1=2028-02-01 00:00:00.000; DueDateTime2=2028-02-29 23:59:59.999; "
               "Category1=Work"_s;
        QTest::newRow("search, all, wildcards made literal")
            << taskSearch(ViewState::All, u"  50%_off\\ "_s)
            << u"select *|from Tasks|where Task like :Search escape '\\'|order by ID"_s
            << u"Search=%50\\%\\_off\\\\%"_s;
        QTest::newRow("search, completed")
            << taskSearch(ViewState::Completed, u"dentist"_s)
            << u"select *|from Tasks|where Completed = :Completed|and Task like :Search escape '\\'|order by ID"_s
            << u"Completed=true; Search=%dentist%"_s;
        QTest::newRow("value list, outstanding, restricted")
            << valueListQuery(ValueList::Category, ViewState::Outstanding, true)
            << u"select Category from (|with recursive Step(Value) as ("
               "|  select (select Category from Tasks where Category is not null order by Category limit 1)"
               "|  union all|  select (select Category from Tasks where Category > Step.Value order by Category limit 1)"
               "|  from Step where Step.Value is not null)"
               "|select null as Category where exists (select 1 from Tasks where Category is null and Completed = :Completed)"
               "|union all|select Value from Step where Value is not null"
               "|and exists (select 1 from Tasks where Category = Step.Value and Completed = :Completed)"
               "|)|order by Category"_s
            << u"Completed=false"_s;
        QTest::newRow("value list, completed, not restricted")
            << valueListQuery(ValueList::Priority, ViewState::Completed, false)
            << u"select Priority from (|with recursive Step(Value) as ("
               "|  select (select Priority from Tasks where Priority is not null order by Priority limit 1)"
               "|  union all|  select (select Priority from Tasks where Priority > Step.Value order by Priority limit 1)"
               "|  from Step where Step.Value is not null)"
               "|select null as Priority where exists (select 1 from Tasks where Priority is null)"
               "|union all|select Value from Step where Value is not null|)|order by Priority"_s
            << QString();
    }
    void viewLines()
    {
        QFETCH(FilterSql, sql);
        QFETCH(QString, lines);
        QFETCH(QString, params);
        QCOMPARE(sql.lines.join(u'|'), lines);
        QCOMPARE(paramText(sql), params);
    }

    // A value list leaps through its own (field, Completed) index, a seek
    // per value: reading an entry per task (or, through the Completed
    // indexes, half of a large table's rows) made every view switch slow.
    // What it lists is what grouping the tasks lists: each value once, nulls
    // and values of one state only where a task of that state holds them,
    // in the grid's text order.
    void valueLists_data()
    {
        QTest::addColumn<ValueList>("list");
        QTest::addColumn<ViewState>("state");
        QTest::addColumn<bool>("restricted");
        for (const ValueList list : {ValueList::Priority, ValueList::Occurrence, ValueList::Category}) {
            for (const ViewState state : {ViewState::All, ViewState::Outstanding, ViewState::Completed}) {
                for (const bool restricted : {true, false})
                    QTest::addRow("%s, state %d, %s", qPrintable(valueListField(list)), int(state),
                                  restricted ? "restricted" : "every value")
                        << list << state << restricted;
            }
        }
    }
    void valueLists()
    {
        QFETCH(ValueList, list);
        QFETCH(ViewState, state);
        QFETCH(bool, restricted);
        QTemporaryDir dir;
        Connection c;
        c.setDatabaseFile(dir.filePath(u"lists.mdb"_s));
        c.open();
        // Nulls, values of one state only, values that differ in case alone,
        // a value that sorts differently with and without regard to case.
        const QStringList rows = {
            u"null, null, null, 0"_s,        u"3, 'Daily', 'work', 0"_s,    u"3, 'Daily', 'Work', 1"_s,
            u"1, 'Todo', 'Home', 1"_s,       u"null, 'Todo', 'apple', 0"_s, u"2, 'Weekly', 'Banana', 0"_s,
            u"2, 'Weekly', 'Banana', 0"_s,   u"0, null, 'Zed', 1"_s,        u"5, 'daily', null, 1"_s,
        };
        for (const QString &row : rows)
            QVERIFY(QSqlQuery(c.database()).exec(
                u"insert into Tasks (Priority, Occurrence, Category, Completed) values (%1)"_s.arg(row)));

        const FilterSql sql = valueListQuery(list, state, restricted);
        const QString field = valueListField(list);
        const auto read = [&](const FilterSql &which) {
            Query q(c);
            which.applyTo(q);
            q.open();
            QVariantList values;
            for (int row = 0; row < q.recordCount(); ++row)
                values << q.valueAt(row, 0);
            return values;
        };
        FilterSql grouped;
        grouped.lines << u"select "_s + field << u"from Tasks"_s;
        if (restricted && state != ViewState::All) {
            grouped.lines << u"where Completed = :Completed"_s;
            grouped.params.append({u"Completed"_s, state == ViewState::Completed});
        }
        grouped.lines << u"group by "_s + field << u"order by "_s + field;
        QCOMPARE(read(sql), read(grouped));

        // No step of the plan reads the table or an index from end to end.
        QSqlQuery q(c.database());
        QVERIFY(q.prepare(u"explain query plan "_s + sql.lines.join(u'\n')));
        for (const auto &[name, value] : sql.params)
            q.bindValue(u':' + name, value);
        QVERIFY(q.exec());
        QStringList tasksSteps;
        while (q.next()) {
            const QString step = q.value(3).toString();
            if (step.contains(u" Tasks"_s))
                tasksSteps << step;
        }
        QVERIFY(!tasksSteps.isEmpty());
        for (const QString &step : tasksSteps)
            QVERIFY2(step.startsWith(u"SEARCH Tasks USING COVERING INDEX TasksBy"_s + field), qPrintable(step));
    }

    void orderClause_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("read");
        QTest::newRow("replace") << u"select *|from Tasks|order by Task"_s << u"Priority DESC,Task"_s
                                 << u"select *|from Tasks|order by Priority DESC,Task"_s << u"Priority DESC,Task"_s;
        QTest::newRow("last line wins, semicolon kept")
            << u"select *|order by ID|from Tasks|ORDER BY Task ;"_s << u" Category "_s
            << u"select *|order by ID|from Tasks|ORDER BY Category;"_s << u"Category"_s;
        QTest::newRow("empty order cuts the clause") << u"select *|from Tasks|where ID = 1 order by Task"_s << QString()
                                                    << u"select *|from Tasks|where ID = 1 "_s << QString();
        QTest::newRow("DESC alone is empty") << u"select *|from Tasks|order by Task"_s << u"desc"_s
                                            << u"select *|from Tasks|"_s << QString();
        QTest::newRow("appended") << u"select *|from Tasks| | "_s << u"Task"_s << u"select *|from Tasks|ORDER BY Task"_s
                                  << u"Task"_s;
        QTest::newRow("appended before a semicolon") << u"select *|from Tasks; "_s << u"Task"_s
                                                     << u"select *|from Tasks|ORDER BY Task;"_s << u"Task"_s;
        QTest::newRow("nothing to order") << u"select *|from Tasks"_s << QString() << u"select *|from Tasks"_s
                                          << QString();
        QTest::newRow("only blank lines") << u" | "_s << u"Task"_s << QString() << QString();
    }
    void orderClause()
    {
        QFETCH(QString, before);
        QFETCH(QString, order);
        QFETCH(QString, after);
        QFETCH(QString, read);
        QStringList lines = before.split(u'|');
        SetOrderBy(lines, order);
        QCOMPARE(lines.join(u'|'), after);
        QCOMPARE(GetOrderBy(lines), read);
    }

    void dateRanges_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        const QDate thursday(2026, 12, 10), sunday(2026, 12, 13), saturday(2026, 12, 12), march31(2026, 3, 31);
        QTest::newRow("yesterday, year change") << QDate(2027, 1, 1) << u"Yesterday"_s << QDate(2026, 12, 31)
                                                << QDate(2026, 12, 31);
        QTest::newRow("today") << thursday << u"Today"_s << thursday << thursday;
        QTest::newRow("tomorrow") << thursday << u"Tomorrow"_s << thursday.addDays(1) << thursday.addDays(1);
        QTest::newRow("this week, Thursday") << thursday << u"This Week"_s << QDate(2026, 12, 7) << QDate(2026, 12, 13);
        QTest::newRow("this week, Sunday: the following week") << sunday << u"This Week"_s << QDate(2026, 12, 14)
                                                               << QDate(2026, 12, 20);
        QTest::newRow("this week, Saturday") << saturday << u"This Week"_s << QDate(2026, 12, 7) << QDate(2026, 12, 13);
        QTest::newRow("last week, Sunday") << sunday << u"Last Week"_s << QDate(2026, 12, 7) << QDate(2026, 12, 13);
        QTest::newRow("next week") << thursday << u"Next Week"_s << QDate(2026, 12, 14) << QDate(2026, 12, 20);
        QTest::newRow("last month from the 31st") << march31 << u"Last Month"_s << QDate(2026, 2, 1)
                                                  << QDate(2026, 2, 28);
        QTest::newRow("this month") << march31 << u"This Month"_s << QDate(2026, 3, 1) << march31;
        QTest::newRow("next month, leap year") << QDate(2028, 1, 31) << u"Next Month"_s << QDate(2028, 2, 1)
                                               << QDate(2028, 2, 29);
        QTest::newRow("last year") << thursday << u"Last Year"_s << QDate(2025, 1, 1) << QDate(2025, 12, 31);
        QTest::newRow("this year") << thursday << u"This Year"_s << QDate(2026, 1, 1) << QDate(2026, 12, 31);
        QTest::newRow("next year") << thursday << u"Next Year"_s << QDate(2027, 1, 1) << QDate(2027, 12, 31);
    }
    void dateRanges()
    {
        QFETCH(QDate, today);
        QFETCH(QString, period);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        const auto bounds = dateRangeBounds(int(dateRangePeriods().indexOf(period)), today);
        QVERIFY(bounds);
        QCOMPARE(bounds->first, from);
        QCOMPARE(bounds->second, to);
        QVERIFY(!dateRangeBounds(-1, today));
    }
};

QTEST_APPLESS_MAIN(TestFilterBuilder)
#include "tst_FilterBuilder.moc"
