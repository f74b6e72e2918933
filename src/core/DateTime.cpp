#include "core/DateTime.h"

#include <cmath>

namespace {
constexpr qint64 MsPerDayInt = 86400000;
// The largest day count a value is split into: far past every date (some
// 137 million years), and small enough that any two day counts give a
// difference in milliseconds that a 64-bit integer holds.
constexpr double FarthestDay = 5e10;

// Splits a value into whole days and milliseconds of the day, rounding the
// time to the nearest millisecond and carrying a full day over. A value no
// date can have (NaN, infinite, past FarthestDay, as a damaged file may
// hold) is never converted as it is, which would be undefined: NaN is day
// 0, and the others the farthest day on their side.
void split(double value, qint64 &days, qint64 &ms)
{
    if (std::isnan(value)) {
        days = ms = 0;
        return;
    }
    if (std::fabs(value) > FarthestDay) {
        days = static_cast<qint64>(std::copysign(FarthestDay, value));
        ms = 0;
        return;
    }
    double whole = std::trunc(value);
    double fraction = std::fabs(value - whole);
    days = static_cast<qint64>(whole);
    ms = std::llround(fraction * DateTime::MsPerDay);
    if (ms >= MsPerDayInt) {
        // 24:00 is midnight of the next calendar day, which for negative
        // values is the day number one higher too (-1.99999999 -> 0.0).
        ms -= MsPerDayInt;
        days += 1;
    }
}
}

QDate dateTimeEpoch()
{
    return QDate(1899, 12, 30);
}

qint64 DateTime::dayNumber() const
{
    qint64 days = 0, ms = 0;
    split(m_days, days, ms);
    return days;
}

int DateTime::msecsOfDay() const
{
    qint64 days = 0, ms = 0;
    split(m_days, days, ms);
    return int(ms);
}

QDate DateTime::date() const
{
    return dateTimeEpoch().addDays(dayNumber());
}

QTime DateTime::time() const
{
    return QTime::fromMSecsSinceStartOfDay(msecsOfDay());
}

QDateTime DateTime::toQDateTime() const
{
    return QDateTime(date(), time());
}

int DateTime::dayOfWeek() const
{
    // QDate counts Monday = 1 .. Sunday = 7.
    return date().dayOfWeek() % 7 + 1;
}

DateTime DateTime::datePart() const
{
    return DateTime(double(dayNumber()));
}

DateTime DateTime::timePart() const
{
    return DateTime(msecsOfDay() / MsPerDay);
}

DateTime DateTime::fromDate(const QDate &date)
{
    return DateTime(double(dateTimeEpoch().daysTo(date)));
}

DateTime DateTime::fromTime(const QTime &time)
{
    return DateTime(time.msecsSinceStartOfDay() / MsPerDay);
}

DateTime DateTime::fromDateAndTime(const QDate &date, const QTime &time)
{
    return fromParts(dateTimeEpoch().daysTo(date), time.isValid() ? time.msecsSinceStartOfDay() : 0);
}

DateTime DateTime::fromQDateTime(const QDateTime &dateTime)
{
    const QDateTime local = dateTime.toLocalTime();
    return fromDateAndTime(local.date(), local.time());
}

DateTime DateTime::fromParts(qint64 dayNumber, qint64 msecsOfDay)
{
    // Normalise a time outside one day into the day count first.
    dayNumber += msecsOfDay / MsPerDayInt;
    msecsOfDay %= MsPerDayInt;
    if (msecsOfDay < 0) {
        msecsOfDay += MsPerDayInt;
        --dayNumber;
    }
    const double fraction = msecsOfDay / MsPerDay;
    // Negative days keep their time counting forward from midnight.
    return DateTime(dayNumber >= 0 ? dayNumber + fraction : dayNumber - fraction);
}
