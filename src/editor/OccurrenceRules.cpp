#include "editor/OccurrenceRules.h"

#include <QStringList>

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

} // namespace occurrence
