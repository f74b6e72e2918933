#include "core/Clock.h"
#include "core/DateTime.h"

#include <QTest>

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

    void fixedClockAdvances()
    {
        FixedClock clock(DateTime::fromDate(QDate(2026, 1, 1)));
        clock.advanceSeconds(90);
        QCOMPARE(clock.now().toQDateTime(), QDateTime(QDate(2026, 1, 1), QTime(0, 1, 30)));
    }
};

QTEST_GUILESS_MAIN(TestDateTime)
#include "tst_DateTime.moc"
