#pragma once

#include "core/DateFormat.h"

#include <QLocale>

// The date separator and the four date and time patterns of a locale, in the
// program's pattern language (see formatDateTime): what a new settings file
// starts with, so dates read the way the user writes them.
struct LocalePatterns
{
    QChar dateSeparator = QLatin1Char('/');
    QString shortDate;
    QString longDate;
    QString shortTime;
    QString longTime;
};
LocalePatterns localePatterns(const QLocale &locale = QLocale());

// One of Qt's date or time formats in the program's pattern language. The
// given separators become the separator tokens; Qt's time zone is left out.
QString patternFromQtFormat(const QString &qtFormat, QChar dateSeparator, QChar timeSeparator);
