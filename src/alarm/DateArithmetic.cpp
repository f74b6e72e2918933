#include "alarm/DateArithmetic.h"

#include "alarm/CalendarMath.h"

#include <limits>

using namespace calendar;

namespace {
// x moved along the time line by delta milliseconds.
DateTime shifted(DateTime x, qint64 delta)
{
    if (!isFinite(x))
        return x;
    return fromMs(toMs(x) + delta);
}
}

DateTime AddSeconds(DateTime x, qint64 n)
{
    return shifted(x, scaled(n, 1000));
}

DateTime AddDays(DateTime x, qint64 n)
{
    return shifted(x, scaled(n, MsPerDay));
}

DateTime AddWeeks(DateTime x, qint64 n)
{
    return shifted(x, scaled(n, MsPerWeek));
}

DateTime AddMonths(DateTime x, qint64 n)
{
    if (!isFinite(x))
        return x;
    return fromMs(addMonthsMs(toMs(x), n));
}

DateTime AddYears(DateTime x, qint64 n)
{
    // Twelve months at a time: the same month and day, except that the month
    // length cuts 29 February to 28 February in a common year.
    if (!isFinite(x))
        return x;
    constexpr qint64 limit = LastDay - FirstDay;
    return fromMs(addMonthsMs(toMs(x), std::clamp(n, -limit, limit) * 12));
}

DateTime NthWeekdayInMonth(int weekday, int n, int year, int month)
{
    if (n == 0 || weekday < 1 || weekday > 7 || month < 1 || month > 12)
        return DateTime();
    const qint64 day = nthWeekdayDay(weekday, n, year, month);
    return fromMs(scaled(day, MsPerDay));
}

int DigitsToInt(QStringView text)
{
    if (text.isEmpty())
        return 0;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        value = std::min<qint64>(value * 10 + (c.unicode() - '0'), std::numeric_limits<int>::max());
    }
    return int(value);
}
