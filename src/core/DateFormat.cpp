#include "core/DateFormat.h"

#include "core/DatePattern.h"

using namespace datepattern;

namespace {

struct Parts
{
    int year, month, day, dayOfWeek; // dayOfWeek: 1 = Sunday
    int hour, minute, second, msec;
};

Parts partsOf(DateTime value)
{
    const qint64 days = value.dayNumber();
    const int ms = value.msecsOfDay();
    const QDate date = dateTimeEpoch().addDays(days);
    return Parts{date.year(), date.month(), date.day(), date.dayOfWeek() % 7 + 1,
                 ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000};
}

void appendNumber(QString &out, qint64 value, int width)
{
    if (value < 0) {
        out += QLatin1Char('-');
        value = -value;
    }
    char digits[24];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = n; i < width; ++i)
        out += QLatin1Char('0');
    while (n > 0)
        out += QLatin1Char(digits[--n]);
}

// A letter of an am/pm or a/p token, in the case it has in the pattern.
QChar letterAsWritten(const QString &written, qsizetype index, char letter)
{
    const QChar c = written.at(index);
    return c.isUpper() ? QChar(QLatin1Char(letter)).toUpper() : QChar(QLatin1Char(letter));
}

void render(const Tokens &tokens, const Parts &p, const FormatSettings &f, int depth, QString &out);

void renderPattern(const QString &pattern, const Parts &p, const FormatSettings &f, int depth, QString &out)
{
    if (depth >= MaxNesting)
        return;
    const auto tokens = cachedTokens(pattern);
    render(*tokens, p, f, depth + 1, out);
}

void render(const Tokens &tokens, const Parts &p, const FormatSettings &f, int depth, QString &out)
{
    const bool pm = p.hour >= 12;
    for (const Token &t : tokens) {
        switch (t.kind) {
        case Kind::Text:
            out += t.text;
            break;
        case Kind::Day:
            appendNumber(out, p.day, t.width);
            break;
        case Kind::DayName:
            out += (t.width == 1 ? f.shortDayNames : f.longDayNames).value(p.dayOfWeek - 1);
            break;
        case Kind::Month:
            appendNumber(out, p.month, t.width);
            break;
        case Kind::MonthName:
            out += (t.width == 1 ? f.shortMonthNames : f.longMonthNames).value(p.month - 1);
            break;
        case Kind::Year:
            appendNumber(out, t.width == 2 ? p.year % 100 : p.year, t.width);
            break;
        case Kind::Hour: {
            int h = p.hour;
            if (t.twelveHour) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            appendNumber(out, h, t.width);
            break;
        }
        case Kind::Minute:
            appendNumber(out, p.minute, t.width);
            break;
        case Kind::Second:
            appendNumber(out, p.second, t.width);
            break;
        case Kind::Millisecond:
            appendNumber(out, p.msec, t.width);
            break;
        case Kind::EraYear:
            appendNumber(out, p.year > 0 ? p.year : -p.year, t.width);
            break;
        case Kind::EraName:
            out += p.year > 0 ? QLatin1String("AD") : QLatin1String("BC");
            break;
        case Kind::AmPm:
            out += letterAsWritten(t.text, pm ? 3 : 0, pm ? 'p' : 'a');
            out += letterAsWritten(t.text, pm ? 4 : 1, 'm');
            break;
        case Kind::AP:
            out += letterAsWritten(t.text, pm ? 2 : 0, pm ? 'p' : 'a');
            break;
        case Kind::AmPmLocale:
            out += pm ? f.timePMString : f.timeAMString;
            break;
        case Kind::DateSeparator:
            out += f.dateSeparator;
            break;
        case Kind::TimeSeparator:
            out += f.timeSeparator;
            break;
        case Kind::ShortDate:
            renderPattern(f.shortDateFormat, p, f, depth, out);
            break;
        case Kind::LongDate:
            renderPattern(f.longDateFormat, p, f, depth, out);
            break;
        case Kind::ShortTime:
            renderPattern(f.shortTimeFormat, p, f, depth, out);
            break;
        case Kind::LongTime:
            renderPattern(f.longTimeFormat, p, f, depth, out);
            break;
        case Kind::DateAndTime:
            if (depth >= MaxNesting)
                break;
            renderPattern(f.shortDateFormat, p, f, depth, out);
            if (p.hour != 0 || p.minute != 0 || p.second != 0) {
                out += QLatin1Char(' ');
                renderPattern(f.longTimeFormat, p, f, depth, out);
            }
            break;
        }
    }
}

// The separator between hours and minutes in the locale's own time format,
// for example ':' or '.'.
QChar localeTimeSeparator(const QLocale &locale)
{
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    qsizetype i = format.indexOf(QLatin1Char('h'), 0, Qt::CaseInsensitive);
    if (i < 0)
        return QLatin1Char(':');
    while (i < format.size() && format.at(i).toLower() == QLatin1Char('h'))
        ++i;
    if (i < format.size() && format.at(i) == QLatin1Char('\''))
        ++i;
    if (i < format.size() && !format.at(i).isLetterOrNumber() && !format.at(i).isSpace())
        return format.at(i);
    return QLatin1Char(':');
}

} // namespace

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
    f.timeSeparator = localeTimeSeparator(locale);
    if (!locale.amText().isEmpty())
        f.timeAMString = locale.amText();
    if (!locale.pmText().isEmpty())
        f.timePMString = locale.pmText();
    return f;
}

QString formatDateTime(const QString &pattern, DateTime value, const FormatSettings &formats)
{
    QString out;
    out.reserve(pattern.size() + 16);
    const auto tokens = cachedTokens(pattern);
    render(*tokens, partsOf(value), formats, 0, out);
    return out;
}

QString dateText(DateTime value, const FormatSettings &formats)
{
    return formatDateTime(QStringLiteral("ddddd"), value, formats);
}

QString timeText(DateTime value, const FormatSettings &formats)
{
    return formatDateTime(QStringLiteral("tt"), value, formats);
}

QString dateTimeText(DateTime value, const FormatSettings &formats)
{
    return formatDateTime(QStringLiteral("c"), value, formats);
}

bool isShownDateTime(DateTime value)
{
    // NaN and values past what a day count can hold are no date either.
    if (!(value.toDouble() > -700000.0 && value.toDouble() < 3000000.0))
        return false;
    const QDate date = value.date();
    return date.isValid() && date.year() >= 1 && date.year() <= 9999;
}

QString normalizeTimePattern(const QString &pattern)
{
    QString result = pattern;
    result.replace(QLatin1String("HH"), QLatin1String("hh"));
    return result;
}
