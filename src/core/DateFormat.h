#pragma once

#include "core/DateTime.h"

#include <QLocale>
#include <QString>
#include <QStringList>

// The process-wide date and time formats: the patterns the user chose plus
// the names and separators that come from the locale.
struct FormatSettings
{
    QChar dateSeparator = QLatin1Char('/');
    QString shortDateFormat = QStringLiteral("yyyy/mm/dd");
    QString longDateFormat = QStringLiteral("dd mmmm yyyy");
    QString shortTimeFormat = QStringLiteral("hh:mm");
    QString longTimeFormat = QStringLiteral("hh:mm");

    QChar timeSeparator = QLatin1Char(':');
    QString timeAMString = QStringLiteral("AM");
    QString timePMString = QStringLiteral("PM");
    QStringList shortMonthNames; // 12 entries, January first
    QStringList longMonthNames;
    QStringList shortDayNames; // 7 entries, Sunday first
    QStringList longDayNames;

    // The default patterns with names, time separator and morning and
    // afternoon texts of the locale.
    static FormatSettings fromLocale(const QLocale &locale = QLocale());
};

// Renders a date-time with a pattern of the pattern language:
//   d dd          day of the month, without or with a leading zero
//   ddd dddd      weekday name, abbreviated or full (also aaa aaaa)
//   ddddd         the short date pattern; dddddd (or more) the long one
//   m mm          month number; minutes when the nearest pattern letter
//                 before it is an h
//   mmm mmmm      month name, abbreviated or full (or more m)
//   y yy          two-digit year; yyy or more: four digits
//   h hh          hour; 12-hour clock when am/pm, a/p or ampm follows
//                 before the next h
//   n nn, s ss    minutes, seconds; z zz zzz milliseconds (1 to 3 digits)
//   t, tt         the short, the long time pattern
//   c             short date, then a blank and the long time unless the
//                 time is 00:00:00
//   e, ee         year of the era (the Gregorian calendar's era: the year
//                 itself from 1 on), ee with at least two digits
//   g (run)       era name: "AD", or "BC" for years before 1
//   am/pm a/p     morning or afternoon, each letter in the case written
//   ampm          the locale's morning or afternoon text
//   / :           date separator, time separator
//   "x" 'x'       quoted text as it stands
// Letters count in either case, a run of one letter is one token, and any
// other character stands for itself. Patterns that name each other (a short
// date pattern holding "ddddd") stop expanding after two levels.
QString formatDateTime(const QString &pattern, DateTime value, const FormatSettings &formats);

// The program's usual text forms: a date in the short date pattern, a time in
// the long time pattern, and a date-time as "c" writes it.
QString dateText(DateTime value, const FormatSettings &formats);
QString timeText(DateTime value, const FormatSettings &formats);
QString dateTimeText(DateTime value, const FormatSettings &formats);

// Whether a stored value is a date-time the program shows: one in the
// years 1 to 9999. Anything else (a hand-edited file) is shown as no text.
bool isShownDateTime(DateTime value);

// Time patterns take effect with every "HH" written as "hh" (the language
// does not tell the two apart).
QString normalizeTimePattern(const QString &pattern);

// Reads a date-time written in the formats in effect: the short or the long
// date, each alone or followed by a blank and the long or the short time, or
// a time alone (which gives that time on day 0). Names and am/pm texts match
// in any letter case; a year of one or two digits means 1950 to 2049
// whatever the pattern's year width, and a year past 9999 is refused. Throws Error for
// text that is not a date-time, and for a date without a year (see below).
DateTime parseDateTime(const QString &text, const FormatSettings &formats);

// As above, but what the text does not hold of the date comes from
// referenceDate (usually today): the year, when the date pattern has none,
// or the whole date, when the text holds only a time.
DateTime parseDateTime(const QString &text, const FormatSettings &formats, const QDate &referenceDate);
