// The quick-add line: phrases and the exact row each stores, against a fixed
// Thursday 12:30 three days before the change to summer time.

#include "alarm/Recurrence.h"
#include "core/Clock.h"
#include "quickadd/QuickAddParser.h"

#include <QTest>

#include <cstdlib>
#include <ctime>

using namespace Qt::StringLiterals;

namespace {

// Thursday 26 March 2026, 12:30; in Berlin the clocks go from 02:00 to
// 03:00 on Sunday 29 March.
const QDateTime Now(QDate(2026, 3, 26), QTime(12, 30));

QString text(DateTime t)
{
    return t.date().toString(u"yyyy-MM-dd"_s) + u' ' + t.time().toString(u"HH:mm"_s);
}

struct Expected
{
    const char *line;
    const char *options; // "mdy": month before day; "@": dates only after @
    const char *occurrence; // Occurrence,Frequency,ValidHours,ValidDays
    const char *due;
    const char *alarm; // empty: as due
    int priority;
    const char *category;
    const char *task;
    const char *next; // the next occurrence the alarm scan moves to; empty for none
};

constexpr const char *Once = "Scheduled,1,00-23,M______";

const Expected Cases[] = {
    // days
    {"dentist tomorrow 3pm", "", Once, "2026-03-27 15:00", "", 10, "None", "Dentist", ""},
    {"dentist tomorrow 3 pm", "", Once, "2026-03-27 15:00", "", 10, "None", "Dentist", ""},
    {"call mom today", "", Once, "2026-03-26 13:00", "", 10, "None", "Call mom", ""},
    {"pick up kids at 3pm today", "", Once, "2026-03-26 15:00", "", 10, "None", "Pick up kids", ""},
    {"dinner tonight", "", Once, "2026-03-26 20:00", "", 10, "None", "Dinner", ""},
    {"dinner tonight at 7", "", Once, "2026-03-26 19:00", "", 10, "None", "Dinner", ""},
    {"garden friday", "", Once, "2026-03-27 09:00", "", 10, "None", "Garden", ""},
    {"garden on Friday", "", Once, "2026-03-27 09:00", "", 10, "None", "Garden", ""},
    {"garden next friday", "", Once, "2026-04-03 09:00", "", 10, "None", "Garden", ""},
    {"standup thursday 10am", "", Once, "2026-04-02 10:00", "", 10, "None", "Standup", ""},
    {"party saturday 8pm", "", Once, "2026-03-28 20:00", "", 10, "None", "Party", ""},
    {"call monday", "", Once, "2026-03-30 09:00", "", 10, "None", "Call", ""},
    {"taxes in 3 days", "", Once, "2026-03-29 09:00", "", 10, "None", "Taxes", ""},
    {"pay 3 invoices in 2 days", "", Once, "2026-03-28 09:00", "", 10, "None", "Pay 3 invoices", ""},
    {"renew passport in 2 weeks", "", Once, "2026-04-09 09:00", "", 10, "None", "Renew passport", ""},
    {"review in a week", "", Once, "2026-04-02 09:00", "", 10, "None", "Review", ""},
    {"oil change in 3 months", "", Once, "2026-06-26 09:00", "", 10, "None", "Oil change", ""},
    {"call 11 dec", "", Once, "2026-12-11 09:00", "", 10, "None", "Call", ""},
    {"call dec 11", "", Once, "2026-12-11 09:00", "", 10, "None", "Call", ""},
    {"pay rent on the 1st of april", "", Once, "2026-04-01 09:00", "", 10, "None", "Pay rent", ""},
    {"call may 5", "", Once, "2026-05-05 09:00", "", 10, "None", "Call", ""},
    {"card 2 mar", "", Once, "2027-03-02 09:00", "", 10, "None", "Card", ""},
    {"meeting 11/12", "", Once, "2026-12-11 09:00", "", 10, "None", "Meeting", ""},
    {"meeting 11/12", "mdy", Once, "2026-11-12 09:00", "", 10, "None", "Meeting", ""},
    {"tax return 31/12 4pm", "", Once, "2026-12-31 16:00", "", 10, "None", "Tax return", ""},
    {"visit 2026/04/15", "", Once, "2026-04-15 09:00", "", 10, "None", "Visit", ""},
    {"visit 15/04/2026", "", Once, "2026-04-15 09:00", "", 10, "None", "Visit", ""},
    // times
    {"report 15:00", "", Once, "2026-03-26 15:00", "", 10, "None", "Report", ""},
    {"call mom at 9", "", Once, "2026-03-27 09:00", "", 10, "None", "Call mom", ""},
    {"report at 11am", "", Once, "2026-03-27 11:00", "", 10, "None", "Report", ""},
    {"call at 12:15", "", Once, "2026-03-27 12:15", "", 10, "None", "Call", ""},
    {"submit report by 5pm", "", Once, "2026-03-26 17:00", "", 10, "None", "Submit report", ""},
    {"lunch noon", "", Once, "2026-03-27 12:00", "", 10, "None", "Lunch", ""},
    {"backup at midnight", "", Once, "2026-03-27 00:00", "", 10, "None", "Backup", ""},
    {"tea in 20 minutes", "", Once, "2026-03-26 12:50", "", 10, "None", "Tea", ""},
    {"leave in 2 hours", "", Once, "2026-03-26 14:30", "", 10, "None", "Leave", ""},
    // daylight saving time: a time the change skips, and elapsed hours across it
    {"bake sunday 2:30am", "", Once, "2026-03-29 03:30", "", 10, "None", "Bake", ""},
    {"flight in 72 hours", "", Once, "2026-03-29 13:30", "", 10, "None", "Flight", ""},
    {"hike sunday 9am", "", Once, "2026-03-29 09:00", "", 10, "None", "Hike", ""},
    // repeats
    {"water plants every day", "", "Daily,1,00-23,MTWTFSS", "2026-03-27 09:00", "", 10, "None", "Water plants",
     "2026-03-28 09:00"},
    {"pills daily 8am", "", "Daily,1,00-23,MTWTFSS", "2026-03-27 08:00", "", 10, "None", "Pills", "2026-03-28 08:00"},
    {"meds every day at 10pm", "", "Daily,1,00-23,MTWTFSS", "2026-03-26 22:00", "", 10, "None", "Meds",
     "2026-03-27 22:00"},
    {"standup every weekday 9:15", "", "Daily,1,00-23,MTWTF__", "2026-03-27 09:15", "", 10, "None", "Standup",
     "2026-03-30 09:15"},
    {"gym every monday and thursday 6pm", "", "Daily,1,00-23,M__T___", "2026-03-26 18:00", "", 10, "None", "Gym",
     "2026-03-30 18:00"},
    {"gym every mon and wed", "", "Daily,1,00-23,M_W____", "2026-03-30 09:00", "", 10, "None", "Gym",
     "2026-04-01 09:00"},
    {"weekly review", "", "Weekly,1,00-23,M______", "2026-03-27 09:00", "", 10, "None", "Review", "2026-04-03 09:00"},
    {"review every 2 weeks", "", "Weeks,2,00-23,M______", "2026-03-27 09:00", "", 10, "None", "Review",
     "2026-04-10 09:00"},
    {"rent every month on the 1st", "", "Monthly,1,00-23,M______", "2026-04-01 09:00", "", 10, "None", "Rent",
     "2026-05-01 09:00"},
    {"invoice every 3 months", "", "Months,3,00-23,M______", "2026-03-27 09:00", "", 10, "None", "Invoice",
     "2026-06-27 09:00"},
    {"mum's birthday 14 may every year", "", "Yearly,1,00-23,M______", "2026-05-14 09:00", "", 10, "None",
     "Mum's birthday", "2027-05-14 09:00"},
    {"stretch every hour from 9 to 17", "", "Hourly,1,09-17,MTWTFSS", "2026-03-26 13:00", "", 10, "None", "Stretch",
     "2026-03-26 14:00"},
    {"ping every hour", "", "Hourly,1,00-23,MTWTFSS", "2026-03-26 13:00", "", 10, "None", "Ping", "2026-03-26 14:00"},
    {"backup every 2 hours", "", "Hours,2,00-23,M______", "2026-03-26 14:30", "", 10, "None", "Backup",
     "2026-03-26 16:30"},
    {"check mail every 15 minutes", "", "Minutes,15,00-23,M______", "2026-03-26 12:45", "", 10, "None", "Check mail",
     "2026-03-26 13:00"},
    {"water cactus every 10 days", "", "Days,10,00-23,M______", "2026-03-27 09:00", "", 10, "None", "Water cactus",
     "2026-04-06 09:00"},
    {"team lunch last friday of every month", "", "MonthDay,-1,00-23,____F__", "2026-03-27 09:00", "", 10, "None",
     "Team lunch", "2026-04-24 09:00"},
    {"book club second tuesday of the month 7pm", "", "MonthDay,2,00-23,_T_____", "2026-04-14 19:00", "", 10,
     "None", "Book club", "2026-05-12 19:00"},
    // alarm before the due time, priority and category
    {"dentist friday 3pm remind me 1 hour before", "", Once, "2026-03-27 15:00", "2026-03-27 14:00", 10, "None",
     "Dentist", ""},
    {"call bank tomorrow 10am remind me 10 minutes before", "", Once, "2026-03-27 10:00", "2026-03-27 09:50", 10,
     "None", "Call bank", ""},
    {"report !1", "", Once, "2026-03-27 09:00", "", 1, "None", "Report", ""},
    {"report !3 #wo friday", "", Once, "2026-03-27 09:00", "", 3, "Work", "Report", ""},
    {"fix bike #garage", "", Once, "2026-03-27 09:00", "", 10, "garage", "Fix bike", ""},
    {"!11 items", "", Once, "2026-03-27 09:00", "", 10, "None", "!11 items", ""},
    // words that only look like dates stay in the text
    {"buy 3 apples", "", Once, "2026-03-27 09:00", "", 10, "None", "Buy 3 apples", ""},
    {"meet Friday's team", "", Once, "2026-03-27 09:00", "", 10, "None", "Meet Friday's team", ""},
    {"call May", "", Once, "2026-03-27 09:00", "", 10, "None", "Call May", ""},
    {"thing 31/02", "", Once, "2026-03-27 09:00", "", 10, "None", "Thing 31/02", ""},
    {"email bob@example.com tomorrow", "", Once, "2026-03-27 09:00", "", 10, "None", "Email bob@example.com", ""},
    {"move monday meeting to tuesday", "", Once, "2026-03-31 09:00", "", 10, "None", "Move monday meeting to", ""},
    {"pay bills friday, 5pm", "", Once, "2026-03-27 17:00", "", 10, "None", "Pay bills", ""},
    // the trigger character
    {"lunch @ friday noon", "", Once, "2026-03-27 12:00", "", 10, "None", "Lunch", ""},
    {"meet friday team @tomorrow 3pm", "@", Once, "2026-03-27 15:00", "", 10, "None", "Meet friday team", ""},
    {"call friday", "@", Once, "2026-03-27 09:00", "", 10, "None", "Call friday", ""},
};

} // namespace

class TestQuickAddParser : public QObject
{
    Q_OBJECT
private:
    FixedClock m_clock{DateTime::fromQDateTime(Now)};

    quickadd::Context context(const QString &options = {}) const
    {
        quickadd::Context c;
        c.clock = &m_clock;
        c.defaults.category = u"None"_s;
        c.defaults.priority = 10;
        c.defaults.occurrence = u"Scheduled"_s;
        c.defaults.frequency = 1;
        c.defaults.validHours = u"00-23"_s;
        c.defaults.validDays = u"M______"_s;
        c.formats = FormatSettings::fromLocale(QLocale::c());
        c.formats.shortDateFormat = u"yyyy/mm/dd"_s;
        c.dayBeforeMonth = !options.contains(u"mdy"_s);
        c.datesOnlyAfterTrigger = options.contains(u'@');
        c.categories = {u"Home"_s, u"Work"_s};
        return c;
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QDateTime(QDate(2026, 3, 26), QTime(12, 30)).offsetFromUtc(), 3600);
        QCOMPARE(QDateTime(QDate(2026, 3, 29), QTime(12, 30)).offsetFromUtc(), 7200);
    }

    void storedRow_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(std::size(Cases)); ++i)
            QTest::newRow(qPrintable(QString::fromUtf8(Cases[i].line) + u' ' + QString::fromLatin1(Cases[i].options)))
                << i;
    }

    // The row the line stores, and where the alarm scan moves a repeating
    // task on to once its due time has come.
    void storedRow()
    {
        QFETCH(int, index);
        const Expected &e = Cases[index];
        const quickadd::Context c = context(QString::fromLatin1(e.options));
        const quickadd::Result r = quickadd::parse(QString::fromUtf8(e.line), c);
        const TaskValues &v = r.values;
        QCOMPARE(u"%1,%2,%3,%4"_s.arg(v.occurrence).arg(v.frequency).arg(v.validHours, v.validDays),
                 QString::fromLatin1(e.occurrence));
        QCOMPARE(text(v.due), QString::fromLatin1(e.due));
        QCOMPARE(text(v.alarm), QString::fromLatin1(*e.alarm ? e.alarm : e.due));
        QCOMPARE(v.due.msecsOfDay() % 60000, 0);
        QCOMPARE(v.priority, e.priority);
        QCOMPARE(v.category, QString::fromUtf8(e.category));
        QCOMPARE(v.task, QString::fromUtf8(e.task));

        FixedClock atDue(v.due);
        const DueAndAlarm moved = AdvanceOccurrence(atDue, v.due, v.alarm, v.occurrence, v.frequency, v.validHours,
                                                    v.validDays);
        QCOMPARE(moved.due == v.due ? QString() : text(moved.due), QString::fromLatin1(e.next));
    }

    // What was understood is marked where it stands in the line, and the
    // preview says what will be stored.
    void marksAndPreview()
    {
        const QString line = u"#wo Dentist tomorrow 3pm !2"_s;
        const quickadd::Result r = quickadd::parse(line, context());
        QStringList marked;
        for (const quickadd::Span &s : r.understood)
            marked << line.mid(s.start, s.length);
        QCOMPARE(marked, (QStringList{u"#wo"_s, u"tomorrow 3pm !2"_s}));
        QCOMPARE(quickadd::describe(r, context()), u"Dentist — due Fri 27 Mar 15:00, alarm 15:00, once, #Work, priority 2"_s);

        const quickadd::Result weekly = quickadd::parse(u"gym every monday and thursday 6pm"_s, context());
        QCOMPARE(quickadd::describe(weekly, context()),
                 u"Gym — due Thu 26 Mar 18:00, alarm 18:00, every Mon, Thu, then Mon 30 Mar 18:00"_s);
    }

    // A line without a task text cannot be saved; the default occurrence
    // applies when no date, time or repeat was understood.
    void emptyAndUntimed()
    {
        QVERIFY(quickadd::parse(u"tomorrow 3pm"_s, context()).empty());
        QVERIFY(quickadd::parse(u"   "_s, context()).empty());
        quickadd::Context todo = context();
        todo.defaults.occurrence = u"Todo"_s;
        QCOMPARE(quickadd::parse(u"buy milk"_s, todo).values.occurrence, u"Todo"_s);
        QCOMPARE(quickadd::parse(u"buy milk friday"_s, todo).values.occurrence, u"Scheduled"_s);
    }

    void dateOrderFromPattern_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("dayFirst");
        QTest::newRow("dd/mm/yyyy") << u"dd/mm/yyyy"_s << true;
        QTest::newRow("yyyy/mm/dd") << u"yyyy/mm/dd"_s << false;
        QTest::newRow("m/d/yy") << u"m/d/yy"_s << false;
    }

    void dateOrderFromPattern()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, dayFirst);
        FormatSettings formats;
        formats.shortDateFormat = pattern;
        QCOMPARE(quickadd::dayBeforeMonth(formats, QLocale::c()), dayFirst);
    }
};

int main(int argc, char **argv)
{
    // The table's times are Berlin's, whatever the machine's zone.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QCoreApplication app(argc, argv);
    TestQuickAddParser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_QuickAddParser.moc"
