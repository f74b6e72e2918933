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

    // The default patterns with names, separator and am/pm texts of the locale.
    static FormatSettings fromLocale(const QLocale &locale = QLocale());
};

// Renders a date-time with a pattern of the pattern language.
QString formatDateTime(const QString &pattern, DateTime value, const FormatSettings &formats);

// Reads a date-time written in the formats in effect (a date, a time, or a
// date followed by a time). Throws Error for text that is not a date-time.
DateTime parseDateTime(const QString &text, const FormatSettings &formats);
