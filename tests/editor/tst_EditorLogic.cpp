#include "alarm/AlarmTestSupport.h"
#include "alarm/DateArithmetic.h"
#include "core/Error.h"
#include "editor/OccurrenceRules.h"
#include "editor/SnoozeMenu.h"
#include "editor/TaskAge.h"
#include "editor/TaskRecord.h"

#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

class TestEditorLogic : public QObject
{
    Q_OBJECT
private slots:
    void ageText_data()
    {
        QTest::addColumn<DateTime>("created");
        QTest::addColumn<QString>("expected");
        const DateTime today = at(2026, 12, 10);
        const auto daysBack = [today](int n) { return AddDays(today, -n); };
        QTest::newRow("earlier today") << at(2026, 12, 10, 6) << QString();
        QTest::newRow("yesterday 23:00") << at(2026, 12, 9, 23) << u"1 Day old"_s;
        QTest::newRow("6 days") << daysBack(6) << u"6 Days old"_s;
        QTest::newRow("7 days") << daysBack(7) << u"1 Week old"_s;
        QTest::newRow("30 days") << daysBack(30) << u"4 Weeks old"_s;
        QTest::newRow("31 days") << daysBack(31) << u"1 Month old"_s;
        QTest::newRow("100 days") << daysBack(100) << u"3 Months old"_s;
        QTest::newRow("730 days") << daysBack(730) << u"1 Year old"_s;
        QTest::newRow("731 days") << daysBack(731) << u"2 Years old"_s;
        QTest::newRow("tomorrow") << at(2026, 12, 11, 8) << u"1 Day old"_s;
    }
    void ageText()
    {
        QFETCH(DateTime, created);
        QFETCH(QString, expected);
        QCOMPARE(taskAgeText(created, at(2026, 12, 10, 15, 45)), expected);
    }

    void snoozeEntries_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("n");
        QTest::addColumn<DateTime>("now");
        QTest::addColumn<DateTime>("expected");
        const DateTime now = at(2026, 12, 10, 9, 30);
        QTest::newRow("60 minutes") << int(SnoozeUnit::Minutes) << 60 << now << at(2026, 12, 10, 10, 30);
        QTest::newRow("24 hours") << int(SnoozeUnit::Hours) << 24 << now << at(2026, 12, 11, 9, 30);
        QTest::newRow("1 day") << int(SnoozeUnit::Days) << 1 << now << at(2026, 12, 11, 9, 30);
        QTest::newRow("50 days") << int(SnoozeUnit::Days) << 50 << now << at(2027, 1, 29, 9, 30);
        QTest::newRow("2 weeks") << int(SnoozeUnit::Weeks) << 2 << now << at(2026, 12, 24, 9, 30);
        QTest::newRow("1 month on 31 January") << int(SnoozeUnit::Months) << 1 << at(2027, 1, 31, 9, 30)
                                               << at(2027, 2, 28, 9, 30);
        QTest::newRow("1 month on 31 January, leap") << int(SnoozeUnit::Months) << 1 << at(2028, 1, 31, 9, 30)
                                                     << at(2028, 2, 29, 9, 30);
        QTest::newRow("1 year on 29 February") << int(SnoozeUnit::Years) << 1 << at(2028, 2, 29, 9, 30)
                                               << at(2029, 2, 28, 9, 30);
    }
    void snoozeEntries()
    {
        QFETCH(int, unit);
        QFETCH(int, n);
        QFETCH(DateTime, now);
        QFETCH(DateTime, expected);
        QCOMPARE(snoozedAlarm(SnoozeUnit(unit), n, now), expected);
    }

    void validHoursAndDays()
    {
        QCOMPARE(occurrence::validHoursText(8, 17), u"08-17"_s);
        QCOMPARE(occurrence::validHoursText(0, 23), u"00-23"_s);
        int from = -1, to = -1;
        QVERIFY(occurrence::parseValidHours(u"08-17"_s, from, to));
        QCOMPARE(from, 8);
        QCOMPARE(to, 17);
        QVERIFY(!occurrence::parseValidHours(u"ab-17"_s, from, to));

        const occurrence::WeekdayFlags workdays = {true, true, true, true, true, false, false};
        QCOMPARE(occurrence::validDaysFlags(u"MTWTF__"_s), workdays);
        QCOMPARE(occurrence::validDaysText(workdays), u"MTWTF__"_s);
        QCOMPARE(occurrence::validDaysText({}), u"_______"_s);
        // A letter in the wrong place does not switch a day on.
        QCOMPARE(occurrence::validDaysFlags(u"TM_____"_s), occurrence::WeekdayFlags{});

        QCOMPARE(occurrence::monthDayWeekday(u"__W____"_s), 2);
        QCOMPARE(occurrence::monthDayWeekday(u"M_____S"_s), 6);
        QCOMPARE(occurrence::monthDayWeekday(u""_s), 0);
        QCOMPARE(occurrence::monthDayWeekday(u"_______"_s), 0);

        QCOMPARE(occurrence::workingFrequency(0), 1);
        QCOMPARE(occurrence::workingFrequency(-2), -2);
        QCOMPARE(occurrence::workingValidHours(u" "_s), u"00-23"_s);
        QCOMPARE(occurrence::workingValidDays(u"MTW"_s), u"M______"_s);
        QCOMPARE(occurrence::workingValidDays(u"_T_T___"_s), u"_T_T___"_s);
    }

    void ruleInWords_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("frequency");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("days");
        QTest::addColumn<QString>("words");
        QTest::newRow("daily, every day") << u"Daily"_s << 1 << u"00-23"_s << u"MTWTFSS"_s << u"Every day"_s;
        QTest::newRow("daily, short mask") << u"Daily"_s << 1 << u"00-23"_s << u"M"_s << u"Every day"_s;
        QTest::newRow("daily, weekdays") << u"Daily"_s << 1 << u"00-23"_s << u"MTWTF__"_s << u"Mon\u2013Fri"_s;
        QTest::newRow("daily, scattered") << u"Daily"_s << 1 << u"00-23"_s << u"M_W__SS"_s << u"Mon, Wed, Sat, Sun"_s;
        QTest::newRow("hourly, office") << u"Hourly"_s << 1 << u"09-17"_s << u"MTWTF__"_s
                                        << u"Mon\u2013Fri, 09:00\u201317:00, every hour"_s;
        QTest::newRow("hours") << u"Hours"_s << 2 << u"09-17"_s << u"MTWTF__"_s << u"Every 2 hours"_s;
        QTest::newRow("minutes, one") << u"Minutes"_s << 1 << u"00-23"_s << u"M______"_s << u"Every minute"_s;
        QTest::newRow("month day") << u"MonthDay"_s << 2 << u"00-23"_s << u"_T_____"_s
                                   << u"2nd Tuesday of every month"_s;
        QTest::newRow("month day, last") << u"MonthDay"_s << -1 << u"00-23"_s << u"____F__"_s
                                         << u"Last Friday of every month"_s;
        QTest::newRow("month day, odd position") << u"MonthDay"_s << 9 << u"00-23"_s << u"M______"_s
                                                 << u"1st Monday of every month"_s;
        QTest::newRow("months") << u"Months"_s << 3 << u"00-23"_s << u"M______"_s << u"Every 3 months"_s;
        QTest::newRow("scheduled") << u"Scheduled"_s << 1 << u"00-23"_s << u"M______"_s << QString();
    }
    void ruleInWords()
    {
        QFETCH(QString, kind);
        QFETCH(int, frequency);
        QFETCH(QString, hours);
        QFETCH(QString, days);
        QLocale::setDefault(QLocale::c());
        QTEST(occurrence::ruleInWords(kind, frequency, hours, days), "words");
    }

    void snoozeTimeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minutes"); // -1: refused
        QTest::newRow("5") << u"5"_s << 5;
        QTest::newRow("blanks") << u" 15 "_s << 15;
        QTest::newRow("0") << u"0"_s << 0;
        QTest::newRow("60") << u"60"_s << 60;
        QTest::newRow("61") << u"61"_s << -1;
        QTest::newRow("negative") << u"-1"_s << -1;
        QTest::newRow("fraction") << u"2.5"_s << -1;
        QTest::newRow("letters") << u"ten"_s << -1;
        QTest::newRow("empty") << u""_s << -1;
    }
    void snoozeTimeText()
    {
        QFETCH(QString, text);
        QFETCH(int, minutes);
        const std::optional<int> parsed = parseSnoozeMinutes(text);
        QCOMPARE(parsed.value_or(-1), minutes);
    }

    void completedDateToStore()
    {
        FormatSettings formats;
        const DateTime now = at(2026, 12, 10, 9, 30, 45);
        const QString shown = completedPanelText(at(2026, 11, 2, 14, 5, 59), formats);
        QCOMPARE(shown, u"Task completed on 2026/11/02 14:05"_s);
        // The date shown is what is stored: to the minute with these formats.
        QCOMPARE(*::completedDateToStore(true, shown, formats, now), at(2026, 11, 2, 14, 5));
        QCOMPARE(*::completedDateToStore(false, shown, formats, now), at(2026, 11, 2, 14, 5));
        QCOMPARE(*::completedDateToStore(true, u" "_s, formats, now), now);
        QVERIFY(!::completedDateToStore(false, QString(), formats, now));
        QVERIFY_THROWS_EXCEPTION(Error, ::completedDateToStore(true, u"Task completed on yesterday"_s, formats, now));
    }

    void storedText()
    {
        QCOMPARE(toStoredText(u"a\nb"_s), u"a\r\nb"_s);
        QCOMPARE(toStoredText(u"a\r\nb"_s), u"a\r\nb"_s);
        QCOMPARE(fromStoredText(u"a\r\nb"_s), u"a\nb"_s);
        QCOMPARE(storedLength(u"ab\nc"_s), 5);
    }
};

QTEST_GUILESS_MAIN(TestEditorLogic)
#include "tst_EditorLogic.moc"
