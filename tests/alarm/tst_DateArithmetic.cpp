#include "AlarmTestSupport.h"

#include "alarm/DateArithmetic.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestDateArithmetic : public QObject
{
    Q_OBJECT
private slots:
    void addFunctions_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<DateTime>("x");
        QTest::addColumn<qint64>("n");
        QTest::addColumn<DateTime>("expected");

        const auto row = [](const char *name, const char *function, DateTime x, qint64 n, DateTime expected) {
            QTest::newRow(name) << QString::fromLatin1(function) << x << n << expected;
        };
        row("seconds: an hour stays on the minute", "AddSeconds", at(2026, 3, 13, 17, 20), 3600,
            at(2026, 3, 13, 18, 20));
        row("seconds: backwards", "AddSeconds", at(2026, 3, 13, 0, 0, 30), -90, at(2026, 3, 12, 23, 59));
        row("seconds: into the new year", "AddSeconds", at(2025, 12, 31, 23, 59, 59, 500), 1,
            at(2026, 1, 1, 0, 0, 0, 500));
        row("seconds: off-grid value rounds to the millisecond", "AddSeconds",
            DateTime(46000.5 + 0.3 / 86400000.0), 0, DateTime(46000.5));

        row("days: time kept to the millisecond", "AddDays", at(2024, 2, 28, 13, 14, 15, 678), 1,
            at(2024, 2, 29, 13, 14, 15, 678));
        row("days: a leap year", "AddDays", at(2024, 1, 1, 6), 366, at(2025, 1, 1, 6));
        row("days: back over the month end", "AddDays", at(2024, 3, 1, 23, 59, 59, 999), -1,
            at(2024, 2, 29, 23, 59, 59, 999));
        // Before 1899-12-30 the stored value counts the time forward from a
        // negative day: 1899-12-29 06:00 is -1.25.
        row("days: across the epoch", "AddDays", at(1899, 12, 31, 6), -2, DateTime(-1.25));
        row("days: out of the negative days", "AddDays", DateTime(-1.25), 2, DateTime(1.25));

        row("weeks: over the year end", "AddWeeks", at(2025, 12, 29, 8), 1, at(2026, 1, 5, 8));
        row("weeks: backwards", "AddWeeks", at(2026, 1, 5, 8), -1, at(2025, 12, 29, 8));

        row("months: 31 January in a common year", "AddMonths", at(2025, 1, 31, 10), 1, at(2025, 2, 28, 10));
        row("months: 31 January in a leap year", "AddMonths", at(2024, 1, 31, 10), 1, at(2024, 2, 29, 10));
        row("months: 30 November plus 3", "AddMonths", at(2025, 11, 30, 10), 3, at(2026, 2, 28, 10));
        row("months: 30 November plus 3, leap", "AddMonths", at(2023, 11, 30, 10), 3, at(2024, 2, 29, 10));
        row("months: 31 August to 30 September", "AddMonths", at(2026, 8, 31), 1, at(2026, 9, 30));
        row("months: over the year end", "AddMonths", at(2025, 12, 31, 23, 59), 2, at(2026, 2, 28, 23, 59));
        row("months: backwards over the year end", "AddMonths", at(2026, 3, 31, 7), -13, at(2025, 2, 28, 7));
        row("months: thirteen onto a leap day", "AddMonths", at(2027, 1, 31), 13, at(2028, 2, 29));

        row("years: leap day to a common year", "AddYears", at(2024, 2, 29, 9, 30), 1, at(2025, 2, 28, 9, 30));
        row("years: leap day to a leap year", "AddYears", at(2024, 2, 29, 9, 30), 4, at(2028, 2, 29, 9, 30));
        row("years: leap day backwards", "AddYears", at(2024, 2, 29), -1, at(2023, 2, 28));
        row("years: leap day to 2100", "AddYears", at(2096, 2, 29), 4, at(2100, 2, 28));
        row("years: new year's eve", "AddYears", at(2023, 12, 31, 23, 59, 59, 999), 1,
            at(2024, 12, 31, 23, 59, 59, 999));

        // The ends of the supported years hold the value instead of wrapping.
        row("limit: past year 9999", "AddYears", at(9999, 6, 1), 1, at(9999, 12, 31, 23, 59, 59, 999));
        row("limit: before year 1", "AddDays", at(1, 1, 2, 12), -5, at(1, 1, 1));
        row("limit: huge count", "AddSeconds", at(2026, 1, 1), std::numeric_limits<qint64>::max(),
            at(9999, 12, 31, 23, 59, 59, 999));
        row("limit: huge negative count", "AddMonths", at(2026, 1, 1), std::numeric_limits<qint64>::min(),
            at(1, 1, 1));
    }
    void addFunctions()
    {
        QFETCH(QString, function);
        QFETCH(DateTime, x);
        QFETCH(qint64, n);
        QFETCH(DateTime, expected);

        DateTime result;
        if (function == QLatin1String("AddSeconds"))
            result = AddSeconds(x, n);
        else if (function == QLatin1String("AddDays"))
            result = AddDays(x, n);
        else if (function == QLatin1String("AddWeeks"))
            result = AddWeeks(x, n);
        else if (function == QLatin1String("AddMonths"))
            result = AddMonths(x, n);
        else
            result = AddYears(x, n);
        QCOMPARE(result, expected);
    }

    // Steps of a quarter of an hour added one at a time for a year land
    // exactly a year of days on: no drift from repeated addition.
    void repeatedSecondsDoNotDrift()
    {
        const DateTime start = at(2025, 3, 1, 9, 7, 3, 1);
        DateTime x = start;
        for (int i = 0; i < 365 * 96; ++i)
            x = AddSeconds(x, 15 * 60);
        QCOMPARE(x, AddDays(start, 365));
    }

    void notANumberStaysUnchanged()
    {
        const DateTime nan(std::numeric_limits<double>::quiet_NaN());
        QVERIFY(std::isnan(AddSeconds(nan, 60).toDouble()));
        QVERIFY(std::isnan(AddMonths(nan, 1).toDouble()));
        QVERIFY(std::isnan(AddYears(nan, 1).toDouble()));
    }

    void nthWeekdayInMonth_data()
    {
        QTest::addColumn<int>("weekday"); // 1 = Sunday
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<DateTime>("expected");

        QTest::newRow("first Monday, month starts on Tuesday") << 2 << 1 << 2026 << 12 << at(2026, 12, 7);
        QTest::newRow("first Tuesday is the 1st") << 3 << 1 << 2026 << 12 << at(2026, 12, 1);
        QTest::newRow("fourth Sunday") << 1 << 4 << 2026 << 3 << at(2026, 3, 22);
        QTest::newRow("last Friday") << 6 << -1 << 2026 << 1 << at(2026, 1, 30);
        QTest::newRow("last Tuesday is the 31st") << 3 << -1 << 2026 << 3 << at(2026, 3, 31);
        QTest::newRow("fourth last Saturday") << 7 << -4 << 2026 << 3 << at(2026, 3, 7);
        QTest::newRow("fourth last of five Sundays") << 1 << -4 << 2026 << 3 << at(2026, 3, 8);
        QTest::newRow("last Thursday is the leap day") << 5 << -1 << 2024 << 2 << at(2024, 2, 29);
        QTest::newRow("fifth Monday spills into May") << 2 << 5 << 2026 << 4 << at(2026, 5, 4);
        QTest::newRow("fifth last Wednesday spills into February") << 4 << -5 << 2026 << 3 << at(2026, 2, 25);
        QTest::newRow("count 0 is no date") << 2 << 0 << 2026 << 3 << DateTime();
        QTest::newRow("weekday 0 is no date") << 0 << 1 << 2026 << 3 << DateTime();
        QTest::newRow("month 13 is no date") << 2 << 1 << 2026 << 13 << DateTime();
    }
    void nthWeekdayInMonth()
    {
        QFETCH(int, weekday);
        QFETCH(int, n);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(DateTime, expected);
        QCOMPARE(NthWeekdayInMonth(weekday, n, year, month), expected);
    }

    void digitsToInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("leading zero") << QStringLiteral("08") << 8;
        QTest::newRow("two digits") << QStringLiteral("17") << 17;
        QTest::newRow("letter") << QStringLiteral("1a") << 0;
        QTest::newRow("blank") << QStringLiteral(" 9") << 0;
        QTest::newRow("sign") << QStringLiteral("-1") << 0;
        QTest::newRow("other script digit") << QString(QChar(0x0663)) << 0;
        QTest::newRow("too large") << QStringLiteral("99999999999") << std::numeric_limits<int>::max();
    }
    void digitsToInt()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(DigitsToInt(text), expected);
    }
};

QTEST_GUILESS_MAIN(TestDateArithmetic)
#include "tst_DateArithmetic.moc"
