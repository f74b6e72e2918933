// The fast paths of the recurrence advance. Each one lands exactly on a value
// that stepping one step at a time would pass through, so the result of the
// advance is the same as stepping, only reached in a few operations even for
// a task whose dates lie years in the past.

#include "alarm/CalendarMath.h"
#include "alarm/RecurrenceRule.h"

#include <unordered_map>

using namespace calendar;

namespace {

// Steps of a fixed length c: the last one at or before now.
qint64 skipFixed(qint64 v, qint64 now, qint64 c)
{
    return v + (now - v) / c * c;
}

// Steps by calendar months (monthsPerStep at a time). The day of the month
// after k steps is the smallest of the starting day and the lengths of the
// months passed, because each step cuts the day to the month it lands in.
// Month lengths repeat every 400 years, so at most one cycle of months needs
// looking at, and none once the day is down to 28. With an anchor day (which
// v holds) every step starts again from that day: the day after k steps is
// the anchor day cut to the month it lands in.
qint64 skipMonths(qint64 v, qint64 now, qint64 monthsPerStep, int anchorDay)
{
    const CivilDate start = civilFromDay(dayOf(v));
    const qint64 first = monthIndex(start);
    const qint64 nowMonth = monthIndex(civilFromDay(dayOf(now)));
    // Stay in a month before now's month, so the value is certainly not after now.
    const qint64 steps = floorDiv(nowMonth - first, monthsPerStep) - 1;
    if (steps <= 0)
        return v;
    const qint64 target = first + steps * monthsPerStep;
    if (anchorDay != 0)
        return addMonthsMs(v, target - first, anchorDay);
    int day = start.day;
    const qint64 looked = std::min(steps, MonthsPerCycle);
    for (qint64 i = 1; i <= looked && day > 28; ++i)
        day = std::min(day, daysInMonthIndex(first + i * monthsPerStep));
    return dayFromCivil(yearOfMonthIndex(target), monthOfMonthIndex(target), day) * MsPerDay + msOfDay(v);
}

// Kinds whose step moves the same way for two values a whole number of weeks
// apart ("Daily" with valid days, "Hourly" with valid hours): once two values
// on the way share weekday and time of day, the way between them repeats, so
// whole repetitions can be jumped. Within a few weeks of steps the weekday
// and time of day must repeat; if they somehow do not, stepping goes on.
qint64 skipRepeating(const RecurrenceRule &rule, const Clock &clock, qint64 v, qint64 now)
{
    constexpr int MaxLookAhead = 4096;
    std::unordered_map<qint64, qint64> seen;
    seen.reserve(64);
    qint64 current = v;
    for (int i = 0; i < MaxLookAhead; ++i) {
        const auto [earlier, isNew] = seen.try_emplace(floorMod(current, MsPerWeek), current);
        if (!isNew)
            return skipFixed(current, now, current - earlier->second);
        const qint64 next = stepMs(rule, clock, current);
        if (next > now || next <= current)
            return current;
        current = next;
    }
    return current;
}

} // namespace

qint64 skipTowards(const RecurrenceRule &rule, const Clock &clock, qint64 v, qint64 now)
{
    const qint64 f = rule.frequency;
    switch (rule.kind) {
    case OccurrenceKind::Minutes:
        return skipFixed(v, now, f * MsPerMinute);
    case OccurrenceKind::Hours:
        return skipFixed(v, now, f * MsPerHour);
    case OccurrenceKind::Days:
        return skipFixed(v, now, f * MsPerDay);
    case OccurrenceKind::Weekly:
        return skipFixed(v, now, MsPerWeek);
    case OccurrenceKind::Weeks:
        return skipFixed(v, now, f * MsPerWeek);
    case OccurrenceKind::Daily:
        if (rule.dayMask == RecurrenceRule::AllDays)
            return skipFixed(v, now, MsPerDay);
        return skipRepeating(rule, clock, v, now);
    case OccurrenceKind::Hourly:
        if (rule.lastHour >= 23) {
            // Never past the last valid hour: after the first step, which cuts
            // to whole minutes, every step is one hour.
            const qint64 first = stepMs(rule, clock, v);
            return first > now || first <= v ? v : skipFixed(first, now, MsPerHour);
        }
        return skipRepeating(rule, clock, v, now);
    case OccurrenceKind::Monthly:
        return skipMonths(v, now, 1, rule.anchorDay);
    case OccurrenceKind::Months:
        return skipMonths(v, now, f, rule.anchorDay);
    case OccurrenceKind::Yearly:
        return skipMonths(v, now, 12, rule.anchorDay);
    case OccurrenceKind::Years:
        return skipMonths(v, now, 12 * f, rule.anchorDay);
    case OccurrenceKind::MonthDay: // one step already lands after now
    case OccurrenceKind::Scheduled:
    case OccurrenceKind::Immediate:
    case OccurrenceKind::Todo:
    case OccurrenceKind::Unknown:
        break;
    }
    return v;
}
