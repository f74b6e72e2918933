#include "alarm/CalendarMath.h"

#include <cmath>

namespace calendar {

qint64 addMonthsMs(qint64 ms, qint64 n, int anchorDay)
{
    // Further than the supported years reach makes no difference.
    constexpr qint64 limit = (LastDay - FirstDay) / 28 + 1;
    const CivilDate date = civilFromDay(dayOf(ms));
    const qint64 target = monthIndex(date) + std::clamp(n, -limit, limit);
    const qint64 year = yearOfMonthIndex(target);
    const int month = monthOfMonthIndex(target);
    const int wanted = anchorDay >= 1 && anchorDay <= 31 ? anchorDay : date.day;
    const int day = std::min(wanted, daysInMonth(year, month));
    return clampMs(dayFromCivil(year, month, day) * MsPerDay + msOfDay(ms));
}

bool holdsAnchorDay(qint64 ms, int anchorDay)
{
    if (anchorDay < 1 || anchorDay > 31)
        return false;
    const CivilDate date = civilFromDay(dayOf(ms));
    return date.day == std::min(anchorDay, daysInMonth(date.year, date.month));
}

bool isFinite(DateTime value)
{
    return std::isfinite(value.toDouble());
}

qint64 toMs(DateTime value)
{
    // The whole part is the day, the fraction the time of day counted forward
    // from that day's midnight, also for negative days. A time that rounds up
    // to 24:00 simply carries into the next day on the time line.
    const double v = value.toDouble();
    if (std::isnan(v))
        return MinMs;
    const double whole = std::trunc(v);
    if (whole < double(FirstDay))
        return MinMs;
    if (whole > double(LastDay))
        return MaxMs;
    const qint64 ms = std::llround(std::fabs(v - whole) * double(MsPerDay));
    return clampMs(qint64(whole) * MsPerDay + ms);
}

DateTime fromMs(qint64 ms)
{
    ms = clampMs(ms);
    return DateTime::fromParts(dayOf(ms), msOfDay(ms));
}

} // namespace calendar
