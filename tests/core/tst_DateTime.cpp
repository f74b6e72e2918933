#include "core/Clock.h"
#include "core/DateTime.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestDateTime : public QObject
{
    Q_OBJECT
private slots:
    void conversions_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("epoch") << 0.0 << QDateTime(QDate(1899, 12, 30), QTime(0, 0));
        QTest::newRow("noon") << 2.5 << QDateTime(QDate(1900, 1, 1), QTime(12, 0));
        QTest::newRow("before epoch") << -1.25 << QDateTime(QDate(1899, 12, 29), QTime(6, 0));
        QTest::newRow("modern") << 46000.75 << QDateTime(QDate(2025, 12, 9), QTime(18, 0));
        QTest::newRow("negative rounds into next day")
            << -1.0 - (86400000.0 - 0.4) / 86400000.0 << QDateTime(QDate(1899, 12, 30), QTime(0, 0));
        QTest::newRow("rounds into next day")
            << 46000.0 + (86400000.0 - 0.4) / 86400000.0 << QDateTime(QDate(2025, 12, 10), QTime(0, 0));
    }
    void conversions()
    {
        QFETCH(double, value);
        QFETCH(QDateTime, expected);
        QCOMPARE(DateTime(value).toQDateTime(), expected);
    }

    void roundTripsToTheMillisecond()
    {
        const QDateTime when(QDate(2026, 2, 28), QTime(23, 59, 59, 999));
        const DateTime dt = DateTime::fromQDateTime(when);
        QCOMPARE(dt.toQDateTime(), when);
        QCOMPARE(DateTime::fromParts(dt.dayNumber(), dt.msecsOfDay()), dt);
    }

    void weekdayStartsOnSunday()
    {
        QCOMPARE(DateTime::fromDate(QDate(2026, 12, 6)).dayOfWeek(), 1); // Sunday
        QCOMPARE(DateTime::fromDate(QDate(2026, 12, 7)).dayOfWeek(), 2); // Monday
        QCOMPARE(DateTime::fromDate(QDate(2026, 12, 12)).dayOfWeek(), 7); // Saturday
    }

    void fromPartsNormalisesOverflowingTime()
    {
        const DateTime dt = DateTime::fromParts(10, -1000);
        QCOMPARE(dt.dayNumber(), 9);
        QCOMPARE(dt.msecsOfDay(), 86399000);
    }

    // Values no date can have (a damaged or hand-edited database, a value
    // past what a day count holds) give a day count at a far bound, never
    // an undefined conversion: the day count has the value's sign, and NaN
    // is day 0. Large values that are still day counts stay as they are.
    void valuesPastEveryDateStayDefined_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("sign"); // of the day count
        QTest::newRow("1e300") << 1e300 << 1;
        QTest::newRow("-1e300") << -1e300 << -1;
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 1;
        QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << -1;
        QTest::newRow("9.3e18, just past the 64-bit integers") << 9.3e18 << 1;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 0;
    }
    void valuesPastEveryDateStayDefined()
    {
        QFETCH(double, value);
        QFETCH(int, sign);
        const DateTime dt(value);
        const qint64 days = dt.dayNumber();
        QCOMPARE((days > 0) - (days < 0), sign);
        QVERIFY(dt.msecsOfDay() >= 0 && dt.msecsOfDay() < 86400000);
        // Whatever a far date is made of, asking for it is safe.
        (void)dt.date();
        (void)dt.time();
        (void)dt.dayOfWeek();
        (void)dt.datePart();
        // The value itself is kept: only what is made of it is bounded.
        if (!std::isnan(value))
            QCOMPARE(dt.toDouble(), value);
    }

    void largeDayCountsAreKept()
    {
        QCOMPARE(DateTime(1e7).dayNumber(), qint64(10000000));
        QCOMPARE(DateTime(1e7 + 0.5).msecsOfDay(), 43200000);
        QCOMPARE(DateTime(-1e7).dayNumber(), qint64(-10000000));
    }

    void fixedClockAdvances()
    {
        FixedClock clock(DateTime::fromDate(QDate(2026, 1, 1)));
        clock.advanceSeconds(90);
        QCOMPARE(clock.now().toQDateTime(), QDateTime(QDate(2026, 1, 1), QTime(0, 1, 30)));
    }
};

QTEST_GUILESS_MAIN(TestDateTime)
#include "tst_DateTime.moc"
