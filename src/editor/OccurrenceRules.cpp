#include "editor/OccurrenceRules.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace occurrence {

namespace {
const char WeekdayLetters[] = "MTWTFSS";

bool oneOf(const QString &kind, std::initializer_list<QLatin1StringView> words)
{
    for (QLatin1StringView w : words)
        if (kind == w)
            return true;
    return false;
}
}

bool usesSettings(const QString &kind)
{
    return oneOf(kind, {"Minutes"_L1, "Hourly"_L1, "Hours"_L1, "Daily"_L1, "Days"_L1, "MonthDay"_L1, "Weeks"_L1,
                        "Months"_L1, "Years"_L1});
}

bool recurs(const QString &kind)
{
    return oneOf(kind, {"Minutes"_L1, "Hourly"_L1, "Hours"_L1, "Daily"_L1, "Days"_L1, "MonthDay"_L1, "Weekly"_L1,
                        "Weeks"_L1, "Monthly"_L1, "Months"_L1, "Yearly"_L1, "Years"_L1});
}

bool isPrompted(const QString &kind)
{
    return kind != "Todo"_L1 && kind != "Immediate"_L1;
}

bool usesFrequency(const QString &kind)
{
    return !oneOf(kind, {"Hourly"_L1, "Daily"_L1, "Weekly"_L1, "Monthly"_L1, "Yearly"_L1});
}

bool usesValidHours(const QString &kind)
{
    return !oneOf(kind, {"Days"_L1, "Daily"_L1, "Weeks"_L1, "Weekly"_L1, "Monthly"_L1, "Months"_L1, "Yearly"_L1,
                         "Years"_L1});
}

bool usesValidDays(const QString &kind)
{
    return !oneOf(kind, {"Weeks"_L1, "Weekly"_L1, "Monthly"_L1, "Months"_L1, "Yearly"_L1, "Years"_L1});
}

QString validHoursText(int from, int to)
{
    return u"%1-%2"_s.arg(from, 2, 10, QLatin1Char('0')).arg(to, 2, 10, QLatin1Char('0'));
}

bool parseValidHours(const QString &text, int &from, int &to)
{
    bool okFrom = false, okTo = false;
    from = text.mid(0, 2).trimmed().toInt(&okFrom);
    to = text.mid(3, 2).trimmed().toInt(&okTo);
    return okFrom && okTo;
}

QString validDaysText(const WeekdayFlags &days)
{
    QString text(7, QLatin1Char('_'));
    for (int i = 0; i < 7; ++i)
        if (days[size_t(i)])
            text[i] = QLatin1Char(WeekdayLetters[i]);
    return text;
}

WeekdayFlags validDaysFlags(const QString &text)
{
    WeekdayFlags days{};
    for (int i = 0; i < 7 && i < text.size(); ++i)
        days[size_t(i)] = text.at(i) == QLatin1Char(WeekdayLetters[i]);
    return days;
}

int monthDayWeekday(const QString &validDays)
{
    if (validDays.trimmed().isEmpty())
        return 0;
    const WeekdayFlags days = validDaysFlags(validDays);
    if (days[6])
        return 6;
    for (int i = 0; i < 6; ++i)
        if (days[size_t(i)])
            return i;
    return 0;
}

int workingFrequency(int stored)
{
    return stored == 0 ? 1 : stored;
}

QString workingValidHours(const QString &stored)
{
    return stored.trimmed().size() < 5 ? u"00-23"_s : stored;
}

QString workingValidDays(const QString &stored)
{
    return stored.trimmed().size() < 7 ? u"M______"_s : stored;
}

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("occurrence", text);
}

// "Every day", or the days of a mask (Monday first) as "Mon–Fri" or
// "Mon, Wed, Sat"; runs of three days or more are joined with a dash.
QString daysInWords(const QString &validDays)
{
    const WeekdayFlags days = validDaysFlags(validDays.trimmed().size() == 7 ? validDays : u"MTWTFSS"_s);
    int count = 0;
    for (bool on : days)
        count += on ? 1 : 0;
    if (count == 7 || count == 0)
        return tr("Every day");
    const QLocale locale;
    const auto name = [&locale](int i) { return locale.dayName(i + 1, QLocale::ShortFormat); };
    QStringList parts;
    for (int i = 0; i < 7;) {
        if (!days[size_t(i)]) {
            ++i;
            continue;
        }
        int end = i;
        while (end + 1 < 7 && days[size_t(end + 1)])
            ++end;
        if (end - i >= 2)
            parts << name(i) + u"\u2013"_s + name(end);
        else
            for (int d = i; d <= end; ++d)
                parts << name(d);
        i = end + 1;
    }
    return parts.join(u", "_s);
}

QString every(int n, const char *one, const char *many)
{
    return n <= 1 ? tr(one) : tr(many).arg(n);
}

QString ordinal(int n)
{
    switch (n) {
    case 1:
        return tr("1st");
    case 2:
        return tr("2nd");
    case 3:
        return tr("3rd");
    default:
        return tr("%1th").arg(n);
    }
}
} // namespace

QString ruleInWords(const QString &kind, int frequency, const QString &validHours, const QString &validDays)
{
    if (kind == "Minutes"_L1)
        return every(frequency, "Every minute", "Every %1 minutes");
    if (kind == "Hours"_L1)
        return every(frequency, "Every hour", "Every %1 hours");
    if (kind == "Days"_L1)
        return every(frequency, "Every day", "Every %1 days");
    if (kind == "Weekly"_L1)
        return tr("Every week");
    if (kind == "Weeks"_L1)
        return every(frequency, "Every week", "Every %1 weeks");
    if (kind == "Monthly"_L1)
        return tr("Every month");
    if (kind == "Months"_L1)
        return every(frequency, "Every month", "Every %1 months");
    if (kind == "Yearly"_L1)
        return tr("Every year");
    if (kind == "Years"_L1)
        return every(frequency, "Every year", "Every %1 years");
    if (kind == "Daily"_L1)
        return daysInWords(validDays);
    if (kind == "Hourly"_L1) {
        int from = 0;
        int to = 23;
        if (!parseValidHours(workingValidHours(validHours), from, to))
            from = 0, to = 23;
        from = std::min(from, 23);
        const QString hours = from == 0 && to >= 23 ? QString()
                                                     : u", %1:00\u2013%2:00"_s.arg(from, 2, 10, QLatin1Char('0'))
                                                           .arg(std::min(to, 23), 2, 10, QLatin1Char('0'));
        return daysInWords(validDays) + hours + u", "_s + tr("every hour");
    }
    if (kind == "MonthDay"_L1) {
        const int position = std::find(MonthDayPositions.begin(), MonthDayPositions.end(), frequency)
                != MonthDayPositions.end()
            ? frequency
            : 1;
        const QString day = QLocale().dayName(monthDayWeekday(validDays) + 1, QLocale::LongFormat);
        if (position == -1)
            return tr("Last %1 of every month").arg(day);
        if (position < 0)
            return tr("%1 last %2 of every month").arg(ordinal(-position), day);
        return tr("%1 %2 of every month").arg(ordinal(position), day);
    }
    return QString();
}

QString defaultValidDays(const QString &kind)
{
    return kind == u"Daily"_s || kind == u"Hourly"_s ? u"MTWTFSS"_s : u"M______"_s;
}

} // namespace occurrence
