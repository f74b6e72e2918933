#pragma once

#include "core/DateTime.h"

#include <QStringView>

// Date functions of the recurrence and the snooze menu. Each takes a
// date-time x and a count n. They work in whole milliseconds: the result is
// exact to the millisecond, however often a function is applied, and a stored
// value that is not on a millisecond is first rounded to one. A value that is
// not a number comes back unchanged; results stay inside the years 1 to 9999.

// x plus n seconds.
DateTime AddSeconds(DateTime x, qint64 n);

// x plus n days, the time of day kept exactly.
DateTime AddDays(DateTime x, qint64 n);

// x plus 7 × n days, the time of day kept exactly.
DateTime AddWeeks(DateTime x, qint64 n);

// x moved by n calendar months; the day of the month is cut to the length of
// the month it lands in (31 January plus one month is 28 or 29 February); the
// time of day is kept.
DateTime AddMonths(DateTime x, qint64 n);

// x moved by n years, same month and day and time of day; 29 February lands
// on 28 February in a year that is not a leap year.
DateTime AddYears(DateTime x, qint64 n);

// Midnight of the n-th given weekday (1 = Sunday to 7 = Saturday) of a month;
// for a negative n the n-th last. A count beyond the weekdays the month has
// gives a date in the neighbouring month. 0 (no date) when n is 0 or the
// weekday or month is out of range.
DateTime NthWeekdayInMonth(int weekday, int n, int year, int month);

// The value of a text made only of the digits 0-9 (leading zeros ignored); 0
// when the text is empty or holds any other character. A value too large for
// an int gives the largest int.
int DigitsToInt(QStringView text);
