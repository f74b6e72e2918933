#include "AlarmTestSupport.h"

#include "alarm/Recurrence.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {
const QString AllDays = QStringLiteral("MTWTFSS");
const QString Weekdays = QStringLiteral("MTWTF__");
const QString NoDay = QStringLiteral("_______");
const QString AllHours = QStringLiteral("00-23");
const QString OfficeHours = QStringLiteral("09-17");

// Friday 13 March 2026, half a minute after ten.
const DateTime FridayMorning = at(2026, 3, 13, 10, 0, 30);
const DateTime FridayTen = at(2026, 3, 13, 10);

void addAdvanceColumns()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("frequency");
    QTest::addColumn<QString>("validHours");
    QTest::addColumn<QString>("validDays");
    QTest::addColumn<DateTime>("now");
    QTest::addColumn<DateTime>("due");
    QTest::addColumn<DateTime>("expected");
}

void row(const char *name, const char *kind, int frequency, const QString &hours, const QString &days,
         DateTime now, DateTime due, DateTime expected)
{
    QTest::newRow(name) << QString::fromLatin1(kind) << frequency << hours << days << now << due << expected;
}

// Due and alarm start equal, so both must land on the expected value.
void checkAdvance()
{
    QFETCH(QString, kind);
    QFETCH(int, frequency);
    QFETCH(QString, validHours);
    QFETCH(QString, validDays);
    QFETCH(DateTime, now);
    QFETCH(DateTime, due);
    QFETCH(DateTime, expected);

    const FixedClock clock(now);
    const DueAndAlarm result = AdvanceOccurrence(clock, due, due, kind, frequency, validHours, validDays);
    QCOMPARE(result.due, expected);
    QCOMPARE(result.alarm, expected);
}
} // namespace

class TestRecurrence : public QObject
{
    Q_OBJECT
private slots:
    void everyKind_data()
    {
        addAdvanceColumns();
        const DateTime now = FridayMorning;
        const DateTime due = FridayTen;
        row("Minutes", "Minutes", 15, AllHours, AllDays, now, due, at(2026, 3, 13, 10, 15));
        row("Hourly", "Hourly", 0, AllHours, AllDays, now, due, at(2026, 3, 13, 11));
        row("Hours", "Hours", 3, AllHours, AllDays, now, due, at(2026, 3, 13, 13));
        row("Daily", "Daily", 0, AllHours, AllDays, now, due, at(2026, 3, 14, 10));
        row("Days", "Days", 2, AllHours, AllDays, now, due, at(2026, 3, 15, 10));
        row("Weekly", "Weekly", 0, AllHours, AllDays, now, due, at(2026, 3, 20, 10));
        row("Weeks", "Weeks", 2, AllHours, AllDays, now, due, at(2026, 3, 27, 10));
        row("Monthly", "Monthly", 0, AllHours, AllDays, now, due, at(2026, 4, 13, 10));
        row("Months", "Months", 5, AllHours, AllDays, now, due, at(2026, 8, 13, 10));
        // The second Tuesday of March (the 10th) has passed: April's.
        row("MonthDay", "MonthDay", 2, AllHours, QStringLiteral("_T_____"), now, due, at(2026, 4, 14, 10));
        row("Yearly", "Yearly", 0, AllHours, AllDays, now, due, at(2027, 3, 13, 10));
        row("Years", "Years", 3, AllHours, AllDays, now, due, at(2029, 3, 13, 10));
        // Settings of other kinds are not consulted.
        row("Weekly ignores frequency and valid days", "Weekly", 5, OfficeHours, NoDay, now, due,
            at(2026, 3, 20, 10));
        row("due exactly now moves", "Minutes", 15, AllHours, AllDays, due, due, at(2026, 3, 13, 10, 15));
    }
    void everyKind() { checkAdvance(); }

    void edgeCases_data()
    {
        addAdvanceColumns();
        row("Monthly from 31 January, common year", "Monthly", 0, AllHours, AllDays, at(2025, 1, 31, 10, 0, 1),
            at(2025, 1, 31, 10), at(2025, 2, 28, 10));
        row("Monthly from 31 January, leap year", "Monthly", 0, AllHours, AllDays, at(2024, 1, 31, 10, 0, 1),
            at(2024, 1, 31, 10), at(2024, 2, 29, 10));
        row("Months 3 from 30 November", "Months", 3, AllHours, AllDays, at(2025, 11, 30, 10, 0, 1),
            at(2025, 11, 30, 10), at(2026, 2, 28, 10));
        row("Months 3 from 30 November, leap year", "Months", 3, AllHours, AllDays, at(2023, 11, 30, 10, 0, 1),
            at(2023, 11, 30, 10), at(2024, 2, 29, 10));
        row("Monthly over the year end", "Monthly", 0, AllHours, AllDays, at(2025, 12, 31, 23, 59),
            at(2025, 12, 31, 23, 59), at(2026, 1, 31, 23, 59));
        row("Yearly from the leap day", "Yearly", 0, AllHours, AllDays, at(2024, 2, 29, 12), at(2024, 2, 29, 9),
            at(2025, 2, 28, 9));
        row("Years 4 from the leap day", "Years", 4, AllHours, AllDays, at(2024, 2, 29, 12), at(2024, 2, 29, 9),
            at(2028, 2, 29, 9));
        row("Days over the year end", "Days", 1, AllHours, AllDays, at(2025, 12, 31, 23, 59, 59, 999),
            at(2025, 12, 31, 23, 59, 59, 999), at(2026, 1, 1, 23, 59, 59, 999));

        row("Daily weekdays from a Friday", "Daily", 0, AllHours, Weekdays, at(2026, 3, 13, 8), at(2026, 3, 13, 8),
            at(2026, 3, 16, 8));
        row("Daily on Sundays only", "Daily", 0, AllHours, QStringLiteral("______S"), FridayMorning, FridayTen,
            at(2026, 3, 15, 10));

        row("Hourly 09-17 at 17:20, weekdays", "Hourly", 0, OfficeHours, Weekdays, at(2026, 3, 13, 17, 20),
            at(2026, 3, 13, 17, 20), at(2026, 3, 16, 9));
        row("Hourly 09-17 at 17:20, every day", "Hourly", 0, OfficeHours, AllDays, at(2026, 3, 13, 17, 20),
            at(2026, 3, 13, 17, 20), at(2026, 3, 14, 9));
        row("Hourly 09-17 at 16:20 keeps 17", "Hourly", 0, OfficeHours, AllDays, at(2026, 3, 13, 16, 21),
            at(2026, 3, 13, 16, 20), at(2026, 3, 13, 17, 20));
        row("Hourly cuts seconds", "Hourly", 0, OfficeHours, AllDays, at(2026, 3, 13, 16, 21),
            at(2026, 3, 13, 16, 20, 45, 500), at(2026, 3, 13, 17, 20));
        row("Hourly 09-23 at 23:30", "Hourly", 0, QStringLiteral("09-23"), Weekdays, at(2026, 3, 13, 23, 30),
            at(2026, 3, 13, 23, 30), at(2026, 3, 14, 0, 30));
        row("Hourly before the first hour is not corrected", "Hourly", 0, OfficeHours, AllDays,
            at(2026, 3, 13, 5, 30), at(2026, 3, 13, 5, 30), at(2026, 3, 13, 6, 30));

        // The editor sets the dates a week back before applying "MonthDay".
        const QString friday = QStringLiteral("____F__");
        row("MonthDay last Friday still ahead", "MonthDay", -1, AllHours, friday, FridayMorning,
            at(2026, 3, 6, 10), at(2026, 3, 27, 10));
        row("MonthDay last Friday passed", "MonthDay", -1, AllHours, friday, at(2026, 3, 28, 9),
            at(2026, 3, 21, 10), at(2026, 4, 24, 10));
        row("MonthDay last Friday is today", "MonthDay", -1, AllHours, friday, at(2026, 3, 27, 8),
            at(2026, 3, 20, 10), at(2026, 4, 24, 10));
        row("MonthDay at midnight of the day", "MonthDay", -1, AllHours, friday, at(2026, 3, 27),
            at(2026, 3, 20, 10), at(2026, 4, 24, 10));
        row("MonthDay fourth last Sunday, Sunday read first", "MonthDay", -4, AllHours, QStringLiteral("M_____S"),
            FridayMorning, at(2026, 3, 6, 7, 45), at(2026, 4, 5, 7, 45));
        // March 2026 has five Sundays: the fourth last is the 8th, not the 1st.
        row("MonthDay fourth last Sunday of five", "MonthDay", -4, AllHours, QStringLiteral("______S"),
            at(2026, 3, 2, 8), at(2026, 3, 1, 9), at(2026, 3, 8, 9));
        row("Monthly step landing exactly on now steps again", "Monthly", 0, AllHours, AllDays, at(2026, 4, 13, 10),
            at(2026, 1, 13, 10), at(2026, 5, 13, 10));
        row("MonthDay due ahead stays", "MonthDay", 1, AllHours, friday, FridayMorning, at(2026, 5, 1, 10),
            at(2026, 5, 1, 10));

        row("Minutes three hours overdue, on the hour", "Minutes", 15, AllHours, AllDays, at(2026, 3, 13, 10, 7, 30),
            at(2026, 3, 13, 7), at(2026, 3, 13, 10, 15));
        row("Minutes three hours overdue, own grid", "Minutes", 15, AllHours, AllDays, at(2026, 3, 13, 10, 7, 30),
            at(2026, 3, 13, 7, 5), at(2026, 3, 13, 10, 20));
        row("Days ten years overdue", "Days", 3, AllHours, AllDays, FridayMorning, at(2016, 3, 13, 10),
            at(2026, 3, 15, 10));
        // Each step cuts the day to its month, so the 31st becomes the 29th in
        // February 2016 and the 28th from February 2017 on.
        row("Monthly ten years overdue keeps the cut day", "Monthly", 0, AllHours, AllDays, at(2026, 3, 15),
            at(2016, 1, 31, 10), at(2026, 3, 28, 10));
        row("Yearly from a leap day long ago", "Yearly", 0, AllHours, AllDays, at(2026, 6, 1), at(2000, 2, 29, 10),
            at(2027, 2, 28, 10));
        row("Hourly weeks overdue", "Hourly", 0, OfficeHours, Weekdays, FridayMorning, at(2026, 1, 5, 16, 20, 10),
            at(2026, 3, 13, 11));
    }
    void edgeCases() { checkAdvance(); }

    // Stored values that would keep a step from moving, or that lie outside
    // what a date can be: every loop ends, and a recurring task still moves.
    void valuesThatCouldStall_data()
    {
        addAdvanceColumns();
        const DateTime now = FridayMorning;
        const DateTime due = FridayTen;
        row("Scheduled stays", "Scheduled", 1, AllHours, AllDays, now, due, due);
        row("Immediate stays", "Immediate", 1, AllHours, AllDays, now, due, due);
        row("Todo stays", "Todo", 1, AllHours, AllDays, now, due, due);
        row("unknown word stays", "Fortnightly", 1, AllHours, AllDays, now, due, due);
        row("lower-case word stays", "minutes", 1, AllHours, AllDays, now, due, due);
        row("empty word stays", "", 1, AllHours, AllDays, now, due, due);

        row("Minutes frequency 0 as 1", "Minutes", 0, AllHours, AllDays, now, due, at(2026, 3, 13, 10, 1));
        row("Hours frequency -2 as 1", "Hours", -2, AllHours, AllDays, now, due, at(2026, 3, 13, 11));
        row("Days frequency 0 as 1", "Days", 0, AllHours, AllDays, now, due, at(2026, 3, 14, 10));
        row("Weeks frequency 0 as 1", "Weeks", 0, AllHours, AllDays, now, due, at(2026, 3, 20, 10));
        row("Months frequency -1 as 1", "Months", -1, AllHours, AllDays, now, due, at(2026, 4, 13, 10));
        row("Years frequency 0 as 1", "Years", 0, AllHours, AllDays, now, due, at(2027, 3, 13, 10));

        row("Daily with no valid day", "Daily", 0, AllHours, NoDay, now, due, at(2026, 3, 14, 10));
        row("Daily with no letter in place", "Daily", 0, AllHours, QStringLiteral("mtwtfss"), now, due,
            at(2026, 3, 14, 10));
        row("Daily with an empty mask", "Daily", 0, AllHours, QString(), now, due, at(2026, 3, 14, 10));
        row("Hourly with no valid day", "Hourly", 0, OfficeHours, NoDay, at(2026, 3, 13, 17, 20),
            at(2026, 3, 13, 17, 20), at(2026, 3, 14, 9));
        row("Hourly with empty valid hours", "Hourly", 0, QString(), Weekdays, at(2026, 3, 13, 17, 20),
            at(2026, 3, 13, 17, 20), at(2026, 3, 13, 18, 20));
        row("Hourly with the first hour after 23", "Hourly", 0, QStringLiteral("30-12"), AllDays,
            at(2026, 3, 13, 13, 10), at(2026, 3, 13, 13, 10), at(2026, 3, 14, 23));
        row("Hourly with the first hour after the last", "Hourly", 0, QStringLiteral("10-08"), AllDays,
            at(2026, 3, 13, 13, 10), at(2026, 3, 13, 13, 10), at(2026, 3, 14, 10));

        const QString wednesday = QStringLiteral("__W____");
        row("MonthDay count 0 as first", "MonthDay", 0, AllHours, wednesday, now, due, at(2026, 4, 1, 10));
        row("MonthDay count 9 as first", "MonthDay", 9, AllHours, wednesday, now, due, at(2026, 4, 1, 10));
        row("MonthDay count -7 as first", "MonthDay", -7, AllHours, wednesday, now, due, at(2026, 4, 1, 10));
        row("MonthDay with no weekday as Monday", "MonthDay", 1, AllHours, NoDay, now, due, at(2026, 4, 6, 10));
        row("MonthDay with an empty mask as Monday", "MonthDay", 1, AllHours, QString(), now, due,
            at(2026, 4, 6, 10));

        row("before year 1 starts from year 1", "Daily", 0, AllHours, QString(), now, DateTime(-1e9),
            at(2026, 3, 14));
        row("Minutes from year 1", "Minutes", 1, AllHours, AllDays, now, at(1, 1, 1, 0, 0, 0, 500),
            at(2026, 3, 13, 10, 1, 0, 500));
        row("far future stays", "Minutes", 1, AllHours, AllDays, now, at(9999, 1, 1), at(9999, 1, 1));
        row("beyond year 9999 stays", "Daily", 0, AllHours, AllDays, now, DateTime(1e12), DateTime(1e12));
        row("clock beyond year 9999", "Minutes", 1, AllHours, AllDays, DateTime(1e7), due,
            at(9999, 12, 31, 23, 59, 59, 999));
        // The last month has no later one: its day is the end of the way.
        row("clock beyond year 9999, MonthDay", "MonthDay", 1, AllHours, AllDays, DateTime(1e7), due,
            at(9999, 12, 5, 10));
    }
    void valuesThatCouldStall() { checkAdvance(); }

    void notANumberStays()
    {
        const FixedClock clock(FridayMorning);
        const DateTime nan(std::numeric_limits<double>::quiet_NaN());
        const DueAndAlarm result = AdvanceOccurrence(clock, nan, nan, QStringLiteral("Minutes"), 5, AllHours, AllDays);
        QVERIFY(std::isnan(result.due.toDouble()));
        QVERIFY(std::isnan(result.alarm.toDouble()));
        QVERIFY(std::isnan(NextSnoozeTime(clock, 5, nan).toDouble()));
    }

    void alarmNeverLaterThanDue_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<DateTime>("due");
        QTest::addColumn<DateTime>("alarm");
        QTest::addColumn<DateTime>("expectedDue");
        QTest::addColumn<DateTime>("expectedAlarm");
        // now is Friday 10:00:30.
        QTest::newRow("alarm past, due ahead: both move, the lead kept")
            << QStringLiteral("Hours") << at(2026, 3, 13, 11) << at(2026, 3, 13, 9) << at(2026, 3, 13, 14)
            << at(2026, 3, 13, 12);
        QTest::newRow("alarm after due, both ahead") << QStringLiteral("Hours") << at(2026, 3, 13, 11)
                                                     << at(2026, 3, 13, 11, 30) << at(2026, 3, 13, 11)
                                                     << at(2026, 3, 13, 11);
        QTest::newRow("alarm before due, both overdue") << QStringLiteral("Hours") << at(2026, 3, 13, 9)
                                                        << at(2026, 3, 13, 8, 50) << at(2026, 3, 13, 12)
                                                        << at(2026, 3, 13, 11, 50);
        QTest::newRow("alarm ahead, due overdue") << QStringLiteral("Hours") << at(2026, 3, 13, 9)
                                                  << at(2026, 3, 13, 11, 50) << at(2026, 3, 13, 12)
                                                  << at(2026, 3, 13, 11, 50);
        QTest::newRow("non-recurring alarm after due") << QStringLiteral("Scheduled") << at(2026, 3, 13, 9)
                                                       << at(2026, 3, 13, 11) << at(2026, 3, 13, 9)
                                                       << at(2026, 3, 13, 9);
    }
    void alarmNeverLaterThanDue()
    {
        QFETCH(QString, kind);
        QFETCH(DateTime, due);
        QFETCH(DateTime, alarm);
        QFETCH(DateTime, expectedDue);
        QFETCH(DateTime, expectedAlarm);
        const FixedClock clock(FridayMorning);
        const DueAndAlarm result = AdvanceOccurrence(clock, due, alarm, kind, 3, AllHours, AllDays);
        QCOMPARE(result.due, expectedDue);
        QCOMPARE(result.alarm, expectedAlarm);
    }

    // Moving to the next occurrence keeps the alarm's lead before the due time,
    // whether the due time is past or still ahead. Now is Friday 10:00:30
    // unless the row says otherwise.
    void keepsAlarmLead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("validHours");
        QTest::addColumn<DateTime>("due");
        QTest::addColumn<qint64>("leadMinutes");
        QTest::addColumn<DateTime>("expectedDue");
        QTest::addColumn<DateTime>("now");
        const qint64 day = 24 * 60;
        QTest::newRow("lead 0, due past") << QStringLiteral("Daily") << AllHours << at(2026, 3, 13, 9) << qint64(0)
                                          << at(2026, 3, 14, 9) << FridayMorning;
        QTest::newRow("lead 3 min, due past") << QStringLiteral("Daily") << AllHours << at(2026, 3, 13, 9)
                                              << qint64(3) << at(2026, 3, 14, 9) << FridayMorning;
        QTest::newRow("lead 3 min, due ahead, alarm past")
            << QStringLiteral("Daily") << AllHours << at(2026, 3, 13, 10, 2) << qint64(3) << at(2026, 3, 14, 10, 2) << FridayMorning;
        QTest::newRow("lead 3 min, both ahead") << QStringLiteral("Daily") << AllHours << at(2026, 3, 13, 10, 30)
                                                << qint64(3) << at(2026, 3, 13, 10, 30) << FridayMorning;
        QTest::newRow("lead 1 day, due past") << QStringLiteral("Daily") << AllHours << at(2026, 3, 12, 9) << day
                                              << at(2026, 3, 15, 9) << FridayMorning;
        QTest::newRow("lead 1 day, due ahead, alarm past")
            << QStringLiteral("Daily") << AllHours << at(2026, 3, 14, 9) << day << at(2026, 3, 15, 9) << FridayMorning;
        QTest::newRow("hourly in valid hours, due ahead") << QStringLiteral("Hourly") << OfficeHours
                                                          << at(2026, 3, 13, 10, 2) << qint64(3)
                                                          << at(2026, 3, 13, 11, 2) << FridayMorning;
        QTest::newRow("hourly past the last valid hour") << QStringLiteral("Hourly") << OfficeHours
                                                         << at(2026, 3, 13, 17, 20) << qint64(3)
                                                         << at(2026, 3, 14, 9) << at(2026, 3, 13, 17, 18);
    }
    void keepsAlarmLead()
    {
        QFETCH(QString, kind);
        QFETCH(QString, validHours);
        QFETCH(DateTime, due);
        QFETCH(qint64, leadMinutes);
        QFETCH(DateTime, expectedDue);
        QFETCH(DateTime, now);
        const DateTime alarm = AddSeconds(due, -leadMinutes * 60);
        const FixedClock clock(now);
        const DueAndAlarm result = AdvanceOccurrence(clock, due, alarm, kind, 1, validHours, AllDays);
        QCOMPARE(result.due, expectedDue);
        QCOMPARE(result.alarm, AddSeconds(expectedDue, -leadMinutes * 60));
        QVERIFY(timeLine(result.alarm) > timeLine(now) || result.due == due);
    }

    // The next alarms are those the advance gives one after the other.
    // Now is Friday 13 March 2026, 10:00:30.
    void nextAlarms_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("validDays");
        QTest::addColumn<DateTime>("due");
        QTest::addColumn<QList<DateTime>>("expected");
        QTest::newRow("daily, alarm past") << QStringLiteral("Daily") << AllDays << at(2026, 3, 13, 9)
                                           << QList<DateTime>{at(2026, 3, 14, 9), at(2026, 3, 15, 9),
                                                              at(2026, 3, 16, 9)};
        QTest::newRow("daily weekdays, alarm ahead")
            << QStringLiteral("Daily") << Weekdays << at(2026, 3, 13, 11)
            << QList<DateTime>{at(2026, 3, 13, 11), at(2026, 3, 16, 11), at(2026, 3, 17, 11)};
        QTest::newRow("second Tuesday") << QStringLiteral("MonthDay") << QStringLiteral("_T_____")
                                        << at(2026, 3, 1, 9)
                                        << QList<DateTime>{at(2026, 4, 14, 9), at(2026, 5, 12, 9),
                                                           at(2026, 6, 9, 9)};
        QTest::newRow("scheduled ahead") << QStringLiteral("Scheduled") << AllDays << at(2026, 3, 14, 9)
                                         << QList<DateTime>{at(2026, 3, 14, 9)};
        QTest::newRow("scheduled past") << QStringLiteral("Scheduled") << AllDays << at(2026, 3, 12, 9)
                                        << QList<DateTime>{};
    }
    void nextAlarms()
    {
        QFETCH(QString, kind);
        QFETCH(QString, validDays);
        QFETCH(DateTime, due);
        const FixedClock clock(FridayMorning);
        const int frequency = kind == QStringLiteral("MonthDay") ? 2 : 1;
        QTEST(NextAlarms(clock, due, due, kind, frequency, AllHours, validDays, 3), "expected");
    }

    // The day the user chose for a monthly or yearly task: the next alarms
    // land on it, cut to the month's length, and come back to it in longer
    // months and leap years. Without one (0) each step keeps the day it
    // starts from, as before; a chosen day the due date no longer holds (it
    // was moved since) is not followed.
    void anchorDay_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("frequency");
        QTest::addColumn<int>("anchorDay");
        QTest::addColumn<DateTime>("due");
        QTest::addColumn<QList<DateTime>>("expected");
        using L = QList<DateTime>;
        const QString monthly = QStringLiteral("Monthly");
        QTest::newRow("monthly from 31 October, on the 31st")
            << monthly << 1 << 31 << at(2025, 10, 31, 9) << L{at(2025, 11, 30, 9), at(2025, 12, 31, 9), at(2026, 1, 31, 9), at(2026, 2, 28, 9), at(2026, 3, 31, 9)};
        QTest::newRow("monthly from 31 October, no day kept")
            << monthly << 1 << 0 << at(2025, 10, 31, 9) << L{at(2025, 11, 30, 9), at(2025, 12, 30, 9), at(2026, 1, 30, 9), at(2026, 2, 28, 9), at(2026, 3, 28, 9)};
        QTest::newRow("monthly from 31 January, on the 31st")
            << monthly << 1 << 31 << at(2025, 1, 31, 9) << L{at(2025, 2, 28, 9), at(2025, 3, 31, 9), at(2025, 4, 30, 9), at(2025, 5, 31, 9), at(2025, 6, 30, 9)};
        QTest::newRow("monthly on the 30th through February")
            << monthly << 1 << 30 << at(2025, 12, 30, 9) << L{at(2026, 1, 30, 9), at(2026, 2, 28, 9), at(2026, 3, 30, 9), at(2026, 4, 30, 9), at(2026, 5, 30, 9)};
        QTest::newRow("monthly from 30 November, kept 31st")
            << monthly << 1 << 31 << at(2025, 11, 30, 9) << L{at(2025, 12, 31, 9), at(2026, 1, 31, 9), at(2026, 2, 28, 9), at(2026, 3, 31, 9), at(2026, 4, 30, 9)};
        QTest::newRow("monthly, day moved away from the 31st")
            << monthly << 1 << 31 << at(2025, 10, 15, 9) << L{at(2025, 11, 15, 9), at(2025, 12, 15, 9), at(2026, 1, 15, 9), at(2026, 2, 15, 9), at(2026, 3, 15, 9)};
        QTest::newRow("every 2 months on the 31st")
            << QStringLiteral("Months") << 2 << 31 << at(2025, 12, 31, 9) << L{at(2026, 2, 28, 9), at(2026, 4, 30, 9), at(2026, 6, 30, 9), at(2026, 8, 31, 9), at(2026, 10, 31, 9)};
        QTest::newRow("yearly from 29 February 2024")
            << QStringLiteral("Yearly") << 1 << 29 << at(2024, 2, 29, 9) << L{at(2025, 2, 28, 9), at(2026, 2, 28, 9), at(2027, 2, 28, 9), at(2028, 2, 29, 9), at(2029, 2, 28, 9)};
        QTest::newRow("yearly from 29 February 2024, no day kept")
            << QStringLiteral("Yearly") << 1 << 0 << at(2024, 2, 29, 9) << L{at(2025, 2, 28, 9), at(2026, 2, 28, 9), at(2027, 2, 28, 9), at(2028, 2, 28, 9), at(2029, 2, 28, 9)};
        QTest::newRow("every 4 years from 29 February 2096")
            << QStringLiteral("Years") << 4 << 29 << at(2096, 2, 29, 9) << L{at(2100, 2, 28, 9), at(2104, 2, 29, 9), at(2108, 2, 29, 9), at(2112, 2, 29, 9), at(2116, 2, 29, 9)};
        QTest::newRow("weekly keeps no day")
            << QStringLiteral("Weekly") << 1 << 31 << at(2025, 10, 31, 9) << L{at(2025, 11, 7, 9), at(2025, 11, 14, 9), at(2025, 11, 21, 9), at(2025, 11, 28, 9), at(2025, 12, 5, 9)};
    }
    void anchorDay()
    {
        QFETCH(QString, kind);
        QFETCH(int, frequency);
        QFETCH(int, anchorDay);
        QFETCH(DateTime, due);
        QFETCH(QList<DateTime>, expected);
        // From just after the due time: the alarms the task gives, one by one.
        const FixedClock clock(AddSeconds(due, 1));
        QCOMPARE(NextAlarms(clock, due, due, kind, frequency, AllHours, AllDays, 5, anchorDay), expected);
        // A pass years later lands where those steps lead.
        const FixedClock later(AddSeconds(expected.at(3), -1));
        const DueAndAlarm moved = AdvanceOccurrence(later, due, due, kind, frequency, AllHours, AllDays, anchorDay);
        QCOMPARE(moved.due, expected.at(3));
        QCOMPARE(moved.alarm, expected.at(3));
    }

    // The day the editor keeps for a task: the one kept already while the
    // due date holds it, else the due date's own; none for other kinds.
    void anchorDayToKeep_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<DateTime>("due");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("kept");
        QTest::newRow("new monthly task") << QStringLiteral("Monthly") << at(2025, 10, 31, 9) << 0 << 31;
        QTest::newRow("stepped to the end of November") << QStringLiteral("Monthly") << at(2025, 11, 30, 9) << 31 << 31;
        QTest::newRow("moved to the 15th") << QStringLiteral("Monthly") << at(2025, 11, 15, 9) << 31 << 15;
        QTest::newRow("yearly in a common year") << QStringLiteral("Yearly") << at(2025, 2, 28, 9) << 29 << 29;
        QTest::newRow("years, no day kept yet") << QStringLiteral("Years") << at(2025, 2, 28, 9) << 0 << 28;
        QTest::newRow("daily") << QStringLiteral("Daily") << at(2025, 10, 31, 9) << 31 << 0;
        QTest::newRow("month day") << QStringLiteral("MonthDay") << at(2025, 10, 31, 9) << 31 << 0;
    }
    void anchorDayToKeep()
    {
        QFETCH(QString, kind);
        QFETCH(DateTime, due);
        QFETCH(int, stored);
        QTEST(AnchorDayToKeep(kind, due, stored), "kept");
    }

    // A value already after now comes back as stored, not rounded.
    void valuesAheadAreNotTouched()
    {
        const FixedClock clock(FridayMorning);
        const DateTime due(46100.123456789012);
        const DateTime alarm(46100.012345678901);
        const DueAndAlarm result = AdvanceOccurrence(clock, due, alarm, QStringLiteral("Minutes"), 5, AllHours,
                                                     AllDays);
        QCOMPARE(result.due.toDouble(), due.toDouble());
        QCOMPARE(result.alarm.toDouble(), alarm.toDouble());
    }

    void nextSnoozeTime_data()
    {
        QTest::addColumn<qint64>("minutes");
        QTest::addColumn<DateTime>("start");
        QTest::addColumn<DateTime>("expected");
        const DateTime now = at(2026, 3, 13, 10, 0, 30, 250);
        QTest::newRow("5 from now") << qint64(5) << now << at(2026, 3, 13, 10, 5, 30, 250);
        QTest::newRow("0 from now") << qint64(0) << now << now;
        QTest::newRow("negative") << qint64(-5) << at(2026, 3, 13, 9) << at(2026, 3, 13, 9);
        QTest::newRow("overdue start keeps its grid") << qint64(10) << at(2026, 3, 13, 9, 35)
                                                      << at(2026, 3, 13, 10, 5);
        QTest::newRow("start ahead stays") << qint64(5) << at(2026, 3, 13, 11) << at(2026, 3, 13, 11);
        QTest::newRow("years overdue") << qint64(7) << at(2016, 3, 13, 10) << at(2026, 3, 13, 10, 3);
        QTest::newRow("huge step") << std::numeric_limits<qint64>::max() << now
                                   << at(9999, 12, 31, 23, 59, 59, 999);
    }
    void nextSnoozeTime()
    {
        QFETCH(qint64, minutes);
        QFETCH(DateTime, start);
        QFETCH(DateTime, expected);
        const FixedClock clock(at(2026, 3, 13, 10, 0, 30, 250));
        QCOMPARE(NextSnoozeTime(clock, minutes, start), expected);
    }

    void nextValidDay_data()
    {
        QTest::addColumn<QString>("validDays");
        QTest::addColumn<DateTime>("x");
        QTest::addColumn<DateTime>("expected");
        QTest::newRow("weekdays from Friday") << Weekdays << FridayTen << at(2026, 3, 16, 10);
        QTest::newRow("weekdays from Monday") << Weekdays << at(2026, 3, 16, 10) << at(2026, 3, 17, 10);
        QTest::newRow("Fridays from Friday") << QStringLiteral("____F__") << FridayTen << at(2026, 3, 20, 10);
        QTest::newRow("Sundays") << QStringLiteral("______S") << FridayTen << at(2026, 3, 15, 10);
        QTest::newRow("trimmed to seven") << QStringLiteral("  M______ ") << FridayTen << at(2026, 3, 16, 10);
        QTest::newRow("wrong length: next day") << QStringLiteral("MTWTF") << FridayTen << at(2026, 3, 14, 10);
        QTest::newRow("no valid day: unchanged") << NoDay << FridayTen << FridayTen;
    }
    void nextValidDay()
    {
        QFETCH(QString, validDays);
        QFETCH(DateTime, x);
        QFETCH(DateTime, expected);
        QCOMPARE(NextValidDay(validDays, x), expected);
    }

    void stepOneUnit_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<DateTime>("expected");
        const DateTime x = at(2024, 1, 31, 10);
        QTest::newRow("Yearly") << QStringLiteral("Yearly") << at(2025, 1, 31, 10);
        QTest::newRow("Monthly") << QStringLiteral("Monthly") << at(2024, 2, 29, 10);
        QTest::newRow("Weekly") << QStringLiteral("Weekly") << at(2024, 2, 7, 10);
        QTest::newRow("Daily") << QStringLiteral("Daily") << at(2024, 2, 1, 10);
        QTest::newRow("Years") << QStringLiteral("Years") << x;
        QTest::newRow("Minutes") << QStringLiteral("Minutes") << x;
        QTest::newRow("Scheduled") << QStringLiteral("Scheduled") << x;
    }
    void stepOneUnit()
    {
        QFETCH(QString, kind);
        QFETCH(DateTime, expected);
        QCOMPARE(StepOneUnit(occurrenceKindFromWord(kind), at(2024, 1, 31, 10)), expected);
    }

    void occurrenceWordsRoundTrip()
    {
        QCOMPARE(occurrenceWords().size(), 15);
        QCOMPARE(occurrenceWords().at(12), QStringLiteral("MonthDay"));
        for (const QString &word : occurrenceWords())
            QCOMPARE(occurrenceWord(occurrenceKindFromWord(word)), word);
        QCOMPARE(occurrenceKindFromWord(QStringLiteral("Monthday")), OccurrenceKind::Unknown);
    }
};

QTEST_GUILESS_MAIN(TestRecurrence)
#include "tst_Recurrence.moc"
