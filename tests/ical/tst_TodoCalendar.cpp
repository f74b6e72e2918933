#include "alarm/Recurrence.h"
#include "core/Clock.h"
#include "core/DateTime.h"
#include "core/Error.h"
#include "ical/TodoCalendar.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

double at(int y, int mo, int d, int h, int mi)
{
    return DateTime::fromDateAndTime(QDate(y, mo, d), QTime(h, mi)).toDouble();
}

QVariantMap task(const QString &occurrence, int frequency, const QString &validHours, const QString &validDays)
{
    return {
        {u"Task"_s, u"Water the plants \u00e9\u05e9 \U0001F331"_s},
        {u"TaskCreated"_s, at(2026, 3, 1, 8, 15)},
        {u"Category"_s, u"Home"_s},
        {u"Priority"_s, 10},
        {u"Occurrence"_s, occurrence},
        {u"Frequency"_s, frequency},
        {u"ValidHours"_s, validHours},
        {u"ValidDays"_s, validDays},
        {u"DueDateTime"_s, at(2026, 3, 29, 9, 30)},   // the day summer time begins in Europe
        {u"AlarmDateTime"_s, at(2026, 3, 29, 9, 27)},
        {u"Completed"_s, 0},
        {u"Notes"_s, u"line one\nline two; with, commas"_s},
        {u"SnoozeTime"_s, 7},
        {u"AutoSnooze"_s, 1},
        {u"RepeatAutoSnooze"_s, 3},
        {u"AutoSnoozeAction"_s, 2},
        {u"PercentageComplete"_s, 40},
    };
}

QString ruleLine(const QByteArray &calendar)
{
    // The to-do's rule, not those of the time zone before it.
    for (const QByteArray &line : calendar.mid(calendar.indexOf("BEGIN:VTODO")).split('\n'))
        if (line.startsWith("RRULE:"))
            return QString::fromLatin1(line.trimmed());
    return QString();
}

} // namespace

class TestTodoCalendar : public QObject
{
    Q_OBJECT

private slots:
    // Every occurrence kind written and read back gives the same fields, in a
    // zone with summer time and in UTC; the standard rule says the same for
    // other programs.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("occurrence");
        QTest::addColumn<int>("frequency");
        QTest::addColumn<QString>("validHours");
        QTest::addColumn<QString>("validDays");
        QTest::addColumn<QString>("rrule");
        const QList<std::tuple<const char *, int, const char *, const char *, const char *>> kinds{
            {"Scheduled", 1, "", "M______", ""},
            {"Todo", 1, "", "M______", ""},
            {"Immediate", 1, "", "M______", ""},
            {"Minutes", 45, "", "M______", "RRULE:FREQ=MINUTELY;INTERVAL=45"},
            {"Hours", 3, "", "M______", "RRULE:FREQ=HOURLY;INTERVAL=3"},
            {"Hourly", 1, "09-12", "MTWTF__", "RRULE:FREQ=HOURLY;BYHOUR=9,10,11,12;BYDAY=MO,TU,WE,TH,FR"},
            {"Daily", 1, "", "MTWTFSS", "RRULE:FREQ=DAILY"},
            {"Daily", 1, "", "_____SS", "RRULE:FREQ=DAILY;BYDAY=SU,SA"},
            {"Days", 3, "", "M______", "RRULE:FREQ=DAILY;INTERVAL=3"},
            {"Weekly", 1, "", "M______", "RRULE:FREQ=WEEKLY"},
            {"Weeks", 2, "", "M______", "RRULE:FREQ=WEEKLY;INTERVAL=2"},
            {"Monthly", 1, "", "M______", "RRULE:FREQ=MONTHLY"},
            {"Months", 6, "", "M______", "RRULE:FREQ=MONTHLY;INTERVAL=6"},
            {"MonthDay", 2, "", "_T_____", "RRULE:FREQ=MONTHLY;BYDAY=2TU"},
            {"MonthDay", -1, "", "____F__", "RRULE:FREQ=MONTHLY;BYDAY=-1FR"},
            {"Yearly", 1, "", "M______", "RRULE:FREQ=YEARLY"},
            {"Years", 4, "", "M______", "RRULE:FREQ=YEARLY;INTERVAL=4"},
        };
        for (const char *zone : {"Europe/Berlin", "UTC", "Etc/UTC"})
            for (const auto &[kind, frequency, hours, days, rule] : kinds)
                QTest::addRow("%s %s %d %s", zone, kind, frequency, days)
                    << QString::fromLatin1(zone) << QString::fromLatin1(kind) << frequency
                    << QString::fromLatin1(hours) << QString::fromLatin1(days) << QString::fromLatin1(rule);
    }
    void roundTrip()
    {
        QFETCH(QString, zone);
        QFETCH(QString, occurrence);
        QFETCH(int, frequency);
        QFETCH(QString, validHours);
        QFETCH(QString, validDays);
        QFETCH(QString, rrule);
        const QTimeZone tz(zone.toLatin1());
        QVERIFY(tz.isValid());
        const ical::Todo out{u"uid-1@example"_s, task(occurrence, frequency, validHours, validDays), {}, {}, {}};
        const QByteArray text = ical::writeCalendar({out}, tz);
        QCOMPARE(ruleLine(text), rrule);
        if (zone.endsWith(u"UTC"_s)) {
            QVERIFY(!text.contains("BEGIN:VTIMEZONE"));
            QVERIFY(text.contains("DUE:20260329T"));
        } else {
            QVERIFY(text.contains("BEGIN:VTIMEZONE\r\nTZID:" + zone.toLatin1() + "\r\n"));
            QVERIFY(text.contains("DUE;TZID=" + zone.toLatin1() + ":20260329T093000"));
        }
        QVERIFY(text.contains("TRIGGER;RELATED=END:-PT3M"));

        const QList<ical::Todo> back = ical::readCalendar(text, tz);
        QCOMPARE(back.size(), 1);
        QCOMPARE(back[0].uid, out.uid);
        QVERIFY2(back[0].warnings.isEmpty(), qPrintable(back[0].warnings.join(u' ')));
        for (auto it = out.fields.cbegin(); it != out.fields.cend(); ++it)
            QVERIFY2(back[0].fields.value(it.key()).toString() == it.value().toString(),
                     qPrintable(it.key() + u": "_s + back[0].fields.value(it.key()).toString()));
    }

    // A file of another program: times in another zone, in UTC and floating;
    // rules kept as the nearest kind, and what cannot be kept said per task.
    void foreignFile()
    {
        const QByteArray text =
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\n"
            "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\n"
            "BEGIN:STANDARD\r\nDTSTART:19701101T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n"
            "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nEND:STANDARD\r\n"
            "BEGIN:DAYLIGHT\r\nDTSTART:19700308T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\n"
            "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n"
            "BEGIN:VTODO\r\nUID:a\r\nSUMMARY:Standup\r\nDUE;TZID=America/New_York:20260115T090000\r\n"
            "RRULE:FREQ=WEEKLY;BYDAY=MO,WE,FR;COUNT=10\r\n"
            "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER;RELATED=END:-PT15M\r\nEND:VALARM\r\n"
            "END:VTODO\r\n"
            "BEGIN:VTODO\r\nUID:b\r\nSUMMARY:Rent\r\nDUE:20260201T120000Z\r\nSTATUS:COMPLETED\r\n"
            "COMPLETED:20260131T100000Z\r\nCATEGORIES:Money,Home\r\nPRIORITY:1\r\n"
            "RRULE:FREQ=MONTHLY;BYDAY=1MO,3MO\r\nX-MOZ-SNOOZE-TIME:20260201T113000Z\r\n"
            "END:VTODO\r\n"
            "BEGIN:VTODO\r\nUID:c\r\nSUMMARY:Floating\r\nDUE:20260301T070000\r\nEND:VTODO\r\n"
            "BEGIN:VEVENT\r\nUID:e\r\nSUMMARY:Not a task\r\nDTSTART:20260101T000000Z\r\nEND:VEVENT\r\n"
            "END:VCALENDAR\r\n";
        const QList<ical::Todo> todos = ical::readCalendar(text, QTimeZone("Europe/Berlin"));
        QCOMPARE(todos.size(), 3);

        const QVariantMap &standup = todos[0].fields;
        QCOMPARE(standup[u"DueDateTime"_s].toDouble(), at(2026, 1, 15, 15, 0));
        QCOMPARE(standup[u"AlarmDateTime"_s].toDouble(), at(2026, 1, 15, 14, 45));
        QCOMPARE(standup[u"Occurrence"_s].toString(), u"Daily"_s);
        QCOMPARE(standup[u"ValidDays"_s].toString(), u"M_W_F__"_s);
        QCOMPARE(todos[0].warnings.size(), 1); // the count

        const QVariantMap &rent = todos[1].fields;
        QCOMPARE(rent[u"DueDateTime"_s].toDouble(), at(2026, 2, 1, 13, 0));
        QCOMPARE(rent[u"AlarmDateTime"_s].toDouble(), at(2026, 2, 1, 12, 30));
        QCOMPARE(rent[u"Completed"_s].toInt(), 1);
        QCOMPARE(rent[u"PercentageComplete"_s].toInt(), 100);
        QCOMPARE(rent[u"CompletedDate"_s].toDouble(), at(2026, 1, 31, 11, 0));
        QCOMPARE(rent[u"Category"_s].toString(), u"Money"_s);
        QCOMPARE(rent[u"Occurrence"_s].toString(), u"Monthly"_s);
        QCOMPARE(todos[1].warnings.size(), 2); // the second category, the weekdays of the monthly rule

        QCOMPARE(todos[2].fields[u"DueDateTime"_s].toDouble(), at(2026, 3, 1, 7, 0));
        QCOMPARE(todos[2].fields[u"Occurrence"_s].toString(), u"Todo"_s);
        QVERIFY(todos[2].warnings.isEmpty());
    }

    // Another program reading the rules written here (a separate parser and
    // expansion) finds the same next ten times as our own stepping.
    void rulesAgreeWithAnotherExpansion()
    {
        const QList<std::tuple<const char *, int, const char *, const char *, double>> kinds{
            {"Minutes", 45, "", "M______", at(2026, 6, 1, 9, 0)},
            {"Hours", 5, "", "M______", at(2026, 6, 1, 9, 0)},
            // On the hour: past its last valid hour our rule starts again at
            // the top of the first one, where the standard keeps the minutes
            // (09:30 ... 12:30, then 09:00 here and 09:30 there); the file
            // carries our rule for our own reading.
            {"Hourly", 1, "09-12", "MTWTF__", at(2026, 6, 1, 9, 0)},
            {"Daily", 1, "", "MTWTF__", at(2026, 6, 1, 8, 0)},
            {"Daily", 1, "", "MTWTFSS", at(2026, 6, 1, 8, 0)},
            {"Days", 3, "", "M______", at(2026, 6, 1, 8, 0)},
            {"Weekly", 1, "", "M______", at(2026, 6, 3, 18, 0)},
            {"Weeks", 2, "", "M______", at(2026, 6, 3, 18, 0)},
            {"Monthly", 1, "", "M______", at(2026, 6, 15, 7, 0)},
            {"Months", 3, "", "M______", at(2026, 6, 15, 7, 0)},
            {"MonthDay", 2, "", "_T_____", at(2026, 6, 9, 10, 0)},
            {"MonthDay", -1, "", "____F__", at(2026, 6, 26, 16, 0)},
            {"Yearly", 1, "", "M______", at(2026, 6, 15, 7, 0)},
            {"Years", 2, "", "M______", at(2026, 6, 15, 7, 0)},
        };
        const QTimeZone zone("Europe/Berlin");
        QList<ical::Todo> todos;
        QHash<QString, QStringList> ours;
        for (const auto &[kind, frequency, hours, days, due] : kinds) {
            ical::Todo todo{u"%1-%2-%3"_s.arg(QLatin1StringView(kind)).arg(frequency).arg(QLatin1StringView(days)),
                            task(QString::fromLatin1(kind), frequency, QString::fromLatin1(hours),
                                 QString::fromLatin1(days)),
                            {}, {}, {}};
            todo.fields[u"DueDateTime"_s] = due;
            todo.fields[u"AlarmDateTime"_s] = due;
            todos << todo;
            const FixedClock clock(DateTime(due - 1.0 / 1440));
            QStringList times;
            for (const DateTime &t : NextAlarms(clock, DateTime(due), DateTime(due), QString::fromLatin1(kind),
                                                frequency, QString::fromLatin1(hours), QString::fromLatin1(days), 10))
                times << t.toQDateTime().toString(u"yyyy-MM-ddTHH:mm"_s);
            ours.insert(todo.uid, times);
        }
        QTemporaryDir dir;
        QFile file(dir.filePath(u"rules.ics"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ical::writeCalendar(todos, zone));
        file.close();

        QProcess python;
        // The system's Python, where the packages of the distribution are.
        python.start(u"/usr/bin/python3"_s, {QStringLiteral(NW_EXPAND_SCRIPT), file.fileName(), u"10"_s});
        QVERIFY(python.waitForFinished(60000));
        QVERIFY2(python.exitCode() == 0, python.readAllStandardError().constData());
        const QStringList lines = QString::fromUtf8(python.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), todos.size());
        for (const QString &line : lines) {
            QStringList theirs = line.split(u' ');
            const QString uid = theirs.takeFirst();
            QVERIFY2(theirs == ours.value(uid), qPrintable(uid + u"\n ours:   "_s + ours.value(uid).join(u' ')
                                                          + u"\n theirs: "_s + theirs.join(u' ')));
        }
    }

    void notACalendar()
    {
        for (const QByteArray &text : {QByteArray(), QByteArray("hello"), QByteArray("BEGIN:VTODO\r\nEND:VTODO\r\n")})
            QVERIFY_THROWS_EXCEPTION(Error, ical::readCalendar(text, QTimeZone::utc()));
    }
};

QTEST_GUILESS_MAIN(TestTodoCalendar)
#include "tst_TodoCalendar.moc"
