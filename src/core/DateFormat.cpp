#include "core/DateFormat.h"

#include "core/Error.h"

FormatSettings FormatSettings::fromLocale(const QLocale &locale)
{
    FormatSettings f;
    for (int m = 1; m <= 12; ++m) {
        f.shortMonthNames << locale.monthName(m, QLocale::ShortFormat);
        f.longMonthNames << locale.monthName(m, QLocale::LongFormat);
    }
    for (int d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : d;
        f.shortDayNames << locale.dayName(qtDay, QLocale::ShortFormat);
        f.longDayNames << locale.dayName(qtDay, QLocale::LongFormat);
    }
    return f;
}

// Interim renderer: yyyy, mm, dd, hh, nn/mm after h, ss. Replaced by the full
// pattern language.
QString formatDateTime(const QString &pattern, DateTime value, const FormatSettings &formats)
{
    Q_UNUSED(formats);
    QString p = pattern;
    p.replace(QLatin1String("tt"), formats.longTimeFormat);
    p.replace(QLatin1String("hh:mm"), QLatin1String("HH:mm"));
    p.replace(QLatin1String("mmmm"), QLatin1String("MMMM"));
    p.replace(QLatin1String("mm"), QLatin1String("MM"));
    p.replace(QLatin1String("HH:MM"), QLatin1String("HH:mm"));
    return value.toQDateTime().toString(p);
}

DateTime parseDateTime(const QString &text, const FormatSettings &formats)
{
    Q_UNUSED(formats);
    const QDateTime dt = QDateTime::fromString(text, QStringLiteral("yyyy/MM/dd HH:mm"));
    if (!dt.isValid())
        throw Error(QStringLiteral("'%1' is not a valid date and time").arg(text));
    return DateTime::fromQDateTime(dt);
}
