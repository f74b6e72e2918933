#pragma once

#include "core/DateTime.h"

#include <algorithm>

// Integer calendar arithmetic under the recurrence functions.
//
// A date-time is handled as milliseconds on one straight time line: day
// number × milliseconds per day + milliseconds into the day. Steps added on
// this line are exact, so a thousand steps of a minute land exactly where one
// step of a thousand minutes does, and values before 1899-12-30 (whose stored
// form counts the time forward from a negative day) order correctly.
//
// Date-times are kept inside the years 1 to 9999: a stored value outside them
// is taken as the nearest end, and arithmetic stops at the ends.
namespace calendar {

inline constexpr qint64 MsPerMinute = 60000;
inline constexpr qint64 MsPerHour = 3600000;
inline constexpr qint64 MsPerDay = 86400000;
inline constexpr qint64 MsPerWeek = 7 * MsPerDay;

inline constexpr qint64 FirstDay = -693593; // 0001-01-01
inline constexpr qint64 LastDay = 2958465;  // 9999-12-31
inline constexpr qint64 MinMs = FirstDay * MsPerDay;
inline constexpr qint64 MaxMs = (LastDay + 1) * MsPerDay - 1;
// Earlier than every supported date-time.
inline constexpr qint64 BeforeAll = MinMs - 1;

// Months in the cycle of the leap-year rule (400 years): month lengths repeat
// with this period.
inline constexpr qint64 MonthsPerCycle = 4800;

constexpr qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

constexpr qint64 floorMod(qint64 a, qint64 b)
{
    return a - floorDiv(a, b) * b;
}

constexpr qint64 clampMs(qint64 ms)
{
    return std::clamp(ms, MinMs, MaxMs);
}

// n × unit without overflow: n is first limited to what can matter inside the
// supported years.
constexpr qint64 scaled(qint64 n, qint64 unit)
{
    const qint64 limit = (MaxMs - MinMs) / unit + 1;
    return std::clamp(n, -limit, limit) * unit;
}

constexpr qint64 dayOf(qint64 ms)
{
    return floorDiv(ms, MsPerDay);
}

constexpr qint64 msOfDay(qint64 ms)
{
    return floorMod(ms, MsPerDay);
}

// Weekday of a day number, 1 = Sunday to 7 = Saturday; day 0 (1899-12-30)
// was a Saturday.
constexpr int weekdayOf(qint64 day)
{
    return int(floorMod(day + 6, 7)) + 1;
}

constexpr bool isLeapYear(qint64 year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

constexpr int daysInMonth(qint64 year, int month)
{
    constexpr int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : lengths[month - 1];
}

struct CivilDate
{
    qint64 year = 0; // proleptic Gregorian, astronomical numbering
    int month = 1;
    int day = 1;
};

// Day number of 1970-01-01 in the stored day count.
inline constexpr qint64 UnixEpochDay = 25569;

// Proleptic Gregorian conversions, valid for any year (era arithmetic over
// 400-year cycles).
constexpr qint64 dayFromCivil(qint64 year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const qint64 era = floorDiv(year, 400);
    const qint64 yearOfEra = year - era * 400;
    const qint64 dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468 + UnixEpochDay;
}

constexpr CivilDate civilFromDay(qint64 day)
{
    const qint64 z = day - UnixEpochDay + 719468;
    const qint64 era = floorDiv(z, 146097);
    const qint64 dayOfEra = z - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 mp = (5 * dayOfYear + 2) / 153;
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, int(dayOfYear - (153 * mp + 2) / 5 + 1)};
}

// Position of a month on a continuous month count (year × 12 + month − 1),
// and back.
constexpr qint64 monthIndex(const CivilDate &date)
{
    return date.year * 12 + date.month - 1;
}

constexpr qint64 yearOfMonthIndex(qint64 index)
{
    return floorDiv(index, 12);
}

constexpr int monthOfMonthIndex(qint64 index)
{
    return int(floorMod(index, 12)) + 1;
}

constexpr int daysInMonthIndex(qint64 index)
{
    return daysInMonth(yearOfMonthIndex(index), monthOfMonthIndex(index));
}

// Day number of the n-th given weekday (1 = Sunday) of a month, for a
// negative n the n-th last; n must not be 0.
constexpr qint64 nthWeekdayDay(int weekday, qint64 n, qint64 year, int month)
{
    if (n > 0) {
        const qint64 first = dayFromCivil(year, month, 1);
        return first + floorMod(weekday - weekdayOf(first), 7) + 7 * (n - 1);
    }
    const qint64 last = dayFromCivil(year, month, daysInMonth(year, month));
    return last - floorMod(weekdayOf(last) - weekday, 7) - 7 * (-n - 1);
}

// A date-time moved by n calendar months, the day of the month cut to the
// length of the month it lands in, the time of day kept. With an anchor day
// (1 to 31; 0: none) that day is taken instead of the date's own, cut the
// same way: monthly on the 31st lands on the last day of every month.
qint64 addMonthsMs(qint64 ms, qint64 n, int anchorDay = 0);

// True when the date of ms is where stepping by months from the anchor day
// puts it: on that day, or on the last day of a month too short for it.
bool holdsAnchorDay(qint64 ms, int anchorDay);

bool isFinite(DateTime value);

// The time-line position of a finite stored value, rounded to the
// millisecond and kept inside the supported years.
qint64 toMs(DateTime value);

// The stored value of a time-line position (kept inside the supported years).
DateTime fromMs(qint64 ms);

} // namespace calendar
