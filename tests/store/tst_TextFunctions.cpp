// Text as users expect it from the engine: "like" and ordering ignore the
// case of every letter, and the result set's own sort agrees with the
// engine's order.

#include "core/DateTime.h"
#include "store/Connection.h"
#include "store/Query.h"
#include "store/TextFunctions.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestTextFunctions : public QObject
{
    Q_OBJECT
private slots:
    void like_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matches");
        QTest::newRow("anywhere, ASCII case") << u"Call the Dentist"_s << u"%dentist%"_s << true;
        QTest::newRow("umlaut case") << u"Äpfel kaufen"_s << u"%äpfel%"_s << true;
        QTest::newRow("Greek case") << u"ΣΟΦΙΑ anrufen"_s << u"σοφια%"_s << true;
        QTest::newRow("one character") << u"Tür"_s << u"t_r"_s << true;
        QTest::newRow("one character is not two") << u"Tür"_s << u"t_"_s << false;
        QTest::newRow("surrogate pair is one character") << u"a😀b"_s << u"a_b"_s << true;
        QTest::newRow("no match") << u"Call the dentist"_s << u"%doctor%"_s << false;
        QTest::newRow("backtracking") << u"aaab"_s << u"%a%ab"_s << true;
        QTest::newRow("escaped percent is literal") << u"50% off"_s << u"%50\\%%"_s << true;
        QTest::newRow("escaped percent needs a percent") << u"500 off"_s << u"%50\\%%"_s << false;
        QTest::newRow("escaped underscore") << u"a_b"_s << u"a\\_b"_s << true;
        QTest::newRow("escaped underscore is not any") << u"axb"_s << u"a\\_b"_s << false;
        QTest::newRow("escaped escape") << u"C:\\temp"_s << u"%:\\\\t%"_s << true;
    }
    void like()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(bool, matches);
        QCOMPARE(likeMatch(text, pattern, u'\\'), matches);

        // The engine gives the same answer through the connection's function.
        QTemporaryDir dir;
        Connection connection;
        connection.setDatabaseFile(dir.filePath(u"t.mdb"_s));
        Query q(connection);
        q.setSql({u"select :Text like :Pattern escape '\\' as Hit"_s});
        q.setParam(u"Text"_s, text);
        q.setParam(u"Pattern"_s, pattern);
        q.open();
        QCOMPARE(q.fieldByName(u"Hit"_s).asBoolean(), matches);
    }

    // The engine keeps what it learnt of a pattern from row to row: a
    // pattern that changes from row to row is read afresh each time.
    void patternPerRow()
    {
        QTemporaryDir dir;
        Connection connection;
        connection.setDatabaseFile(dir.filePath(u"t.mdb"_s));
        Query insert(connection);
        insert.setSql({u"insert into Tasks (Task, Category) values (:Task, :Category)"_s});
        const QList<std::pair<QString, QString>> rows = {
            {u"Call the Dentist"_s, u"%dentist%"_s}, {u"Call the Dentist"_s, u"%doctor%"_s},
            {u"50% off"_s, u"%50\\%%"_s},            {u"500 off"_s, u"%50\\%%"_s},
            {u"a_b"_s, u"%\\_%"_s},                  {u"axb"_s, u"%\\_%"_s},
            {u"Äpfel kaufen"_s, u"%KAUF%"_s},        {u"anything"_s, u"%%"_s},
            {u"abc"_s, u"%b_%"_s},                     {u"abc"_s, u"%bc\\%"_s}};
        for (const auto &[task, pattern] : rows) {
            insert.setParam(u"Task"_s, task);
            insert.setParam(u"Category"_s, pattern);
            insert.execSql();
        }
        Query q(connection);
        q.setSql({u"select Task, Category, Task like Category escape '\\' as Hit, Task like :Fixed escape '\\' as Fixed"_s,
                  u"from Tasks order by ID"_s});
        q.setParam(u"Fixed"_s, u"%C%"_s);
        q.open();
        QCOMPARE(q.recordCount(), rows.size());
        for (int row = 0; row < q.recordCount(); ++row) {
            const QString task = q.valueAt(row, 0).toString(), pattern = q.valueAt(row, 1).toString();
            QCOMPARE(q.valueAt(row, 2).toLongLong() != 0, likeMatch(task, pattern, u'\\'));
            QCOMPARE(q.valueAt(row, 3).toLongLong() != 0, likeMatch(task, u"%C%"_s, u'\\'));
        }
    }

    void orderIgnoresCaseAndAgreesWithTheResort()
    {
        QTemporaryDir dir;
        Connection connection;
        connection.setDatabaseFile(dir.filePath(u"t.mdb"_s));
        Query insert(connection);
        insert.setSql({u"insert into Tasks (Task, Category) values (:Task, :Category)"_s});
        const QStringList tasks = {u"banana"_s, u"Zebra"_s, u"apple"_s, u"Äpfel"_s, u"Banana"_s, u"cherry"_s,
                                   u"äpfel"_s, u"Apple"_s, u"éclair"_s, u"Eclair"_s};
        for (const QString &task : tasks) {
            insert.setParam(u"Task"_s, task);
            insert.setParam(u"Category"_s, task.left(1));
            insert.execSql();
        }

        Query list(connection);
        list.setSql({u"select *"_s, u"from Tasks"_s, u"order by Task"_s});
        list.open();
        QStringList ordered;
        for (int row = 0; row < list.recordCount(); ++row)
            ordered << list.valueAt(row, list.fieldIndex(u"Task"_s)).toString();
        QCOMPARE(ordered, QStringList({u"Apple"_s, u"apple"_s, u"Banana"_s, u"banana"_s, u"cherry"_s, u"Eclair"_s,
                                       u"Zebra"_s, u"Äpfel"_s, u"äpfel"_s, u"éclair"_s}));

        // The result set's own sort gives the same order from any start,
        // descending as well, and keeps the current row on the same task.
        list.locate(u"Task"_s, u"cherry"_s);
        list.sortBy(u"ID DESC"_s);
        list.sortBy(u"Task"_s);
        QStringList resorted;
        for (int row = 0; row < list.recordCount(); ++row)
            resorted << list.valueAt(row, list.fieldIndex(u"Task"_s)).toString();
        QCOMPARE(resorted, ordered);
        QCOMPARE(list.fieldByName(u"Task"_s).asString(), u"cherry"_s);

        list.close();
        list.setSql({u"select *"_s, u"from Tasks"_s, u"order by Category DESC, Task desc"_s});
        list.open();
        QCOMPARE(list.valueAt(0, list.fieldIndex(u"Task"_s)).toString(), u"éclair"_s);
        QCOMPARE(list.valueAt(list.recordCount() - 1, list.fieldIndex(u"Task"_s)).toString(), u"Apple"_s);

        // Reordering the rows in memory gives exactly what a fresh read in
        // the new order gives, ties included, from any order before it; a
        // different filter needs the fresh read.
        const auto ids = [](const Query &q) {
            QList<qint64> out;
            for (int row = 0; row < q.recordCount(); ++row)
                out << q.valueAt(row, q.fieldIndex(u"ID"_s)).toLongLong();
            return out;
        };
        const QList<QStringList> orders = {{u"select *"_s, u"from Tasks"_s, u"order by Category"_s},
                                           {u"select *"_s, u"from Tasks"_s, u"order by Category desc, Task"_s},
                                           {u"select *"_s, u"from Tasks"_s},
                                           {u"select *"_s, u"from Tasks"_s, u"order by Task DESC"_s}};
        for (const QStringList &lines : orders) {
            QVERIFY(list.reorder(lines));
            Query fresh(connection);
            fresh.setSql(lines);
            fresh.open();
            QCOMPARE(ids(list), ids(fresh));
        }
        QVERIFY(!list.reorder({u"select *"_s, u"from Tasks"_s, u"where Category = 'a'"_s, u"order by Task"_s}));
        QVERIFY(!list.reorder({u"select *"_s, u"from Tasks"_s, u"order by length(Task)"_s}));
        QCOMPARE(list.sql(), orders.last());
    }
};

QTEST_GUILESS_MAIN(TestTextFunctions)
#include "tst_TextFunctions.moc"
