#include "core/DateTime.h"
#include "core/Error.h"
#include "ical/TaskCalendarFile.h"
#include "store/AnchorDays.h"
#include "store/Connection.h"
#include "store/Statement.h"
#include "store/UndoJournal.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QTimeZone Zone("Europe/Berlin");

double at(int y, int mo, int d, int h, int mi)
{
    return DateTime::fromDateAndTime(QDate(y, mo, d), QTime(h, mi)).toDouble();
}

void add(Connection &c, const QVariantList &values)
{
    Statement s(c.handle(), u"insert into Tasks (Task, Occurrence, Frequency, ValidDays, DueDateTime, AlarmDateTime, "
                            "Completed, PercentageComplete, TaskCreated) values (?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
    for (const QVariant &v : values)
        s.bind(v);
    s.execute();
}

// Every row without its ID, in ID order, as text.
QStringList rows(Connection &c)
{
    Statement s(c.handle(), u"select * from Tasks order by ID"_s);
    QStringList all;
    while (s.step()) {
        QStringList cells;
        for (int i = 1; i < s.columnCount(); ++i)
            cells << s.value(i).toString();
        all << cells.join(u'|');
    }
    return all;
}

} // namespace

class TestTaskCalendarFile : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    // Out of one database and into another gives the same rows; a second
    // import of the same file updates them instead of adding them again,
    // and a file written by the second database updates the first, since
    // the UIDs travel with the tasks. The import is one undo step.
    void roundTripAndReimport()
    {
        Connection first;
        first.setDatabaseFile(m_dir.filePath(u"first.mdb"_s));
        add(first, {u"Take pills"_s, u"Daily"_s, 1, u"MTWTF__"_s, at(2026, 12, 14, 9, 0), at(2026, 12, 14, 8, 55), 0, 0,
                    at(2026, 12, 1, 10, 0)});
        add(first, {u"Team lunch"_s, u"MonthDay"_s, 2, u"_T_____"_s, at(2026, 12, 8, 12, 0), at(2026, 12, 8, 11, 45), 0,
                    30, at(2026, 12, 1, 10, 5)});
        add(first, {u"Renew passport"_s, u"Scheduled"_s, 1, u"M______"_s, at(2026, 11, 2, 10, 0),
                    at(2026, 11, 1, 10, 0), 1, 100, at(2026, 10, 1, 9, 0)});
        // Rent on the last day: set on the 31st, now at 30 November.
        add(first, {u"Pay rent"_s, u"Monthly"_s, 1, u"M______"_s, at(2026, 11, 30, 9, 0), at(2026, 11, 30, 9, 0), 0, 0,
                    at(2026, 10, 1, 9, 0)});
        anchordays::write(first, 4, 31);
        const QString file = m_dir.filePath(u"tasks.ics"_s);
        ical::exportTasks(first, {}, file, Zone);

        Connection second;
        second.setDatabaseFile(m_dir.filePath(u"second.mdb"_s));
        ical::ImportSummary summary = ical::importTasks(second, file, Zone, 0.0, u"Import"_s);
        QCOMPARE(summary.added, 4);
        QCOMPARE(rows(second), rows(first));
        QCOMPARE(anchordays::read(second, 4), 31);

        summary = ical::importTasks(second, file, Zone, 0.0, u"Import"_s);
        QCOMPARE(summary.added, 0);
        QCOMPARE(summary.updated, 4);
        QCOMPARE(rows(second), rows(first));

        Statement(second.handle(), u"update Tasks set Task = 'Take the pills' where Task = 'Take pills'"_s).execute();
        const QString back = m_dir.filePath(u"back.ics"_s);
        ical::exportTasks(second, {}, back, Zone);
        summary = ical::importTasks(first, back, Zone, 0.0, u"Import"_s);
        QCOMPARE(summary.updated, 4);
        QCOMPARE(rows(first), rows(second));

        UndoJournal journal(first);
        QVERIFY(journal.undo().done);
        QVERIFY(rows(first).first().startsWith(u"Take pills|"_s));
    }

    // Only the listed tasks leave when some are named.
    void exportListed()
    {
        Connection c;
        c.setDatabaseFile(m_dir.filePath(u"listed.mdb"_s));
        for (const QString &task : {u"One"_s, u"Two"_s, u"Three"_s})
            add(c, {task, u"Todo"_s, 1, u"M______"_s, 0.0, 0.0, 0, 0, at(2026, 1, 1, 0, 0)});
        const QString file = m_dir.filePath(u"listed.ics"_s);
        ical::exportTasks(c, {1, 3}, file, Zone);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QCOMPARE(text.count("BEGIN:VTODO"), 2);
        QVERIFY(!text.contains("SUMMARY:Two"));
    }

    // A file that cannot be read, or a to-do the database refuses, changes
    // nothing; a file that cannot be written is reported.
    void failuresChangeNothing()
    {
        Connection c;
        c.setDatabaseFile(m_dir.filePath(u"fail.mdb"_s));
        const QString bad = m_dir.filePath(u"bad.ics"_s);
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n"
                "BEGIN:VTODO\r\nUID:ok\r\nSUMMARY:Fine\r\nEND:VTODO\r\n"
                "BEGIN:VTODO\r\nUID:refused\r\nSUMMARY:Odd\r\nX-NUDGEWICK-OCCURRENCE:FarTooLongAKind\r\nEND:VTODO\r\n"
                "END:VCALENDAR\r\n");
        f.close();
        QVERIFY_THROWS_EXCEPTION(Error, ical::importTasks(c, bad, Zone, 0.0, u"Import"_s));
        QVERIFY_THROWS_EXCEPTION(Error, ical::importTasks(c, m_dir.filePath(u"missing.ics"_s), Zone, 0.0, u"Import"_s));
        QCOMPARE(rows(c), QStringList());
        QVERIFY_THROWS_EXCEPTION(Error, ical::exportTasks(c, {}, m_dir.filePath(u"no/such/folder/x.ics"_s), Zone));
    }
};

QTEST_GUILESS_MAIN(TestTaskCalendarFile)
#include "tst_TaskCalendarFile.moc"
