#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

// A point in local time held as days since 1899-12-30, the fraction being the
// time of day. This is the form in which tasks store their dates and in which
// the date arithmetic works. Values before the epoch are negative; as in the
// stored files, their fraction still counts forward from midnight
// (-1.25 is 1899-12-29 06:00).
class DateTime
{
public:
    static constexpr double MsPerDay = 86400000.0;

    constexpr DateTime() = default;
    constexpr explicit DateTime(double days) : m_days(days) {}

    constexpr double toDouble() const { return m_days; }
    constexpr bool isZero() const { return m_days == 0.0; }

    // Whole days and the time of day in milliseconds (rounded to the
    // millisecond; 23:59:59.9996 rounds into the next day).
    qint64 dayNumber() const;
    int msecsOfDay() const;

    QDate date() const;
    QTime time() const;
    QDateTime toQDateTime() const;

    // Weekday with 1 = Sunday to 7 = Saturday.
    int dayOfWeek() const;
    int year() const { return date().year(); }
    int month() const { return date().month(); }
    int day() const { return date().day(); }
    int hour() const { return time().hour(); }
    int minute() const { return time().minute(); }
    int second() const { return time().second(); }

    // Only the date part (midnight) and only the time part (day 0).
    DateTime datePart() const;
    DateTime timePart() const;

    static DateTime fromDate(const QDate &date);
    static DateTime fromTime(const QTime &time);
    static DateTime fromDateAndTime(const QDate &date, const QTime &time);
    static DateTime fromQDateTime(const QDateTime &dateTime);
    // Builds a value from a day number and the milliseconds into that day.
    static DateTime fromParts(qint64 dayNumber, qint64 msecsOfDay);

    friend constexpr bool operator==(DateTime a, DateTime b) { return a.m_days == b.m_days; }
    friend constexpr auto operator<=>(DateTime a, DateTime b) { return a.m_days <=> b.m_days; }

private:
    double m_days = 0.0;
};

// The epoch of the day count: 1899-12-30.
QDate dateTimeEpoch();
