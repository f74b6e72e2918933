#include "alarm/RecurrenceRule.h"

#include "alarm/CalendarMath.h"
#include "alarm/DateArithmetic.h"
#include "core/Clock.h"

using namespace calendar;

namespace {
// The letter of each ValidDays position, Monday first, and its weekday.
constexpr char DayLetters[] = "MTWTFSS";
constexpr int PositionWeekday[7] = {2, 3, 4, 5, 6, 7, 1};

constexpr int bit(int weekday)
{
    return 1 << (weekday - 1);
}

bool holdsLetter(const QString &days, int position)
{
    return days.at(position) == QLatin1Char(DayLetters[position]);
}

// The weekday a "MonthDay" mask names: Sunday is looked at first, then Monday
// to Saturday; Monday when the mask names none.
int weekdayOfMonthDay(const QString &validDays)
{
    const QString days = validDays.trimmed();
    if (days.size() != 7)
        return 2;
    if (holdsLetter(days, 6))
        return 1;
    for (int position = 0; position < 6; ++position) {
        if (holdsLetter(days, position))
            return PositionWeekday[position];
    }
    return 2;
}

bool isMonthDayPosition(int frequency)
{
    return frequency != 0 && frequency >= -4 && frequency <= 4;
}

// The day of the rule's weekday in the month of d that "MonthDay" aims at.
qint64 monthDayTarget(const RecurrenceRule &rule, qint64 d)
{
    const CivilDate date = civilFromDay(dayOf(d));
    return clampMs(nthWeekdayDay(rule.monthDayWeekday, rule.frequency, date.year, date.month) * MsPerDay);
}

// "MonthDay": the first month, from the present one on, whose chosen day lies
// after now, with v's time of day. The day is compared as a midnight, and
// only a midnight strictly after now qualifies, so the result is never today.
qint64 stepMonthDay(const RecurrenceRule &rule, const Clock &clock, qint64 v)
{
    qint64 d = nowMs(clock);
    if (d < MinMs)
        return v; // the clock gives no usable time
    qint64 c = monthDayTarget(rule, d);
    while (nowMs(clock) >= c) {
        const qint64 next = clampMs(d + MsPerWeek);
        if (next == d)
            break;
        d = next;
        c = monthDayTarget(rule, d);
    }
    return clampMs(c + msOfDay(v));
}

// "Hourly": one hour on; past the last valid hour, the first valid hour of the
// next valid day; otherwise cut to whole minutes.
qint64 stepHourly(const RecurrenceRule &rule, qint64 v)
{
    v = clampMs(v + MsPerHour);
    if (msOfDay(v) / MsPerHour > rule.lastHour)
        return nextValidDayMs(rule.dayMask, dayOf(v) * MsPerDay + rule.firstHour * MsPerHour);
    return v - floorMod(v, MsPerMinute);
}
}

bool keepsAnchorDay(OccurrenceKind kind)
{
    return kind == OccurrenceKind::Monthly || kind == OccurrenceKind::Months || kind == OccurrenceKind::Yearly
        || kind == OccurrenceKind::Years;
}

RecurrenceRule RecurrenceRule::read(OccurrenceKind kind, int frequency, const QString &validHours,
                                    const QString &validDays, int anchorDay)
{
    RecurrenceRule rule;
    rule.kind = kind;
    if (keepsAnchorDay(kind) && anchorDay >= 1 && anchorDay <= 31)
        rule.anchorDay = anchorDay;
    if (kind == OccurrenceKind::MonthDay)
        rule.frequency = isMonthDayPosition(frequency) ? frequency : 1;
    else
        rule.frequency = std::max(frequency, 1);

    const QString hours = validHours.trimmed();
    if (hours.size() == 5) {
        rule.firstHour = std::min(DigitsToInt(QStringView(hours).left(2)), 23);
        rule.lastHour = DigitsToInt(QStringView(hours).mid(3, 2));
    }
    const int days = validDayBits(validDays);
    rule.dayMask = days == 0 ? AllDays : days;
    rule.monthDayWeekday = weekdayOfMonthDay(validDays);
    return rule;
}

bool RecurrenceRule::moves() const
{
    switch (kind) {
    case OccurrenceKind::Scheduled:
    case OccurrenceKind::Immediate:
    case OccurrenceKind::Todo:
    case OccurrenceKind::Unknown:
        return false;
    default:
        return true;
    }
}

RecurrenceRule RecurrenceRule::from(qint64 v) const
{
    RecurrenceRule rule = *this;
    if (rule.anchorDay != 0 && !holdsAnchorDay(v, rule.anchorDay))
        rule.anchorDay = 0;
    return rule;
}

int validDayBits(const QString &validDays)
{
    const QString days = validDays.trimmed();
    if (days.size() != 7)
        return RecurrenceRule::AllDays;
    int bits = 0;
    for (int position = 0; position < 7; ++position) {
        if (holdsLetter(days, position))
            bits |= bit(PositionWeekday[position]);
    }
    return bits;
}

qint64 nextValidDayMs(int dayMask, qint64 v)
{
    const qint64 day = dayOf(v) + 1;
    for (qint64 candidate = day; candidate < day + 7; ++candidate) {
        if (dayMask & bit(weekdayOf(candidate)))
            return clampMs(candidate * MsPerDay + msOfDay(v));
    }
    return v;
}

qint64 nowMs(const Clock &clock)
{
    const DateTime now = clock.now();
    return isFinite(now) ? toMs(now) : BeforeAll;
}

qint64 stepMs(const RecurrenceRule &rule, const Clock &clock, qint64 v)
{
    const qint64 f = rule.frequency;
    switch (rule.kind) {
    case OccurrenceKind::Minutes:
        return clampMs(v + f * MsPerMinute);
    case OccurrenceKind::Hourly:
        return stepHourly(rule, v);
    case OccurrenceKind::Hours:
        return clampMs(v + f * MsPerHour);
    case OccurrenceKind::Daily:
        return nextValidDayMs(rule.dayMask, v);
    case OccurrenceKind::Days:
        return clampMs(v + f * MsPerDay);
    case OccurrenceKind::Weekly:
        return clampMs(v + MsPerWeek);
    case OccurrenceKind::Weeks:
        return clampMs(v + f * MsPerWeek);
    case OccurrenceKind::Monthly:
        return addMonthsMs(v, 1, rule.anchorDay);
    case OccurrenceKind::Months:
        return addMonthsMs(v, f, rule.anchorDay);
    case OccurrenceKind::MonthDay:
        return stepMonthDay(rule, clock, v);
    case OccurrenceKind::Yearly:
        return addMonthsMs(v, 12, rule.anchorDay);
    case OccurrenceKind::Years:
        return addMonthsMs(v, 12 * f, rule.anchorDay);
    case OccurrenceKind::Scheduled:
    case OccurrenceKind::Immediate:
    case OccurrenceKind::Todo:
    case OccurrenceKind::Unknown:
        break;
    }
    return v;
}
