#include "alarm/Recurrence.h"

#include "alarm/CalendarMath.h"
#include "alarm/RecurrenceRule.h"

using namespace calendar;

namespace {

// value stepped by the rule until it lies after now. A value already after now
// (or not a number) is returned as it is, not rounded.
DateTime advancePastNow(const RecurrenceRule &anchoredRule, const Clock &clock, DateTime value)
{
    if (!anchoredRule.moves() || !isFinite(value))
        return value;
    qint64 v = toMs(value);
    // The anchor day is followed when the value starts on it; every step
    // then lands on it again.
    const RecurrenceRule rule = anchoredRule.from(v);
    if (!(nowMs(clock) >= v))
        return value;
    v = skipTowards(rule, clock, v, nowMs(clock));
    for (;;) {
        const qint64 next = stepMs(rule, clock, v);
        if (next <= v)
            break; // at the last supported date-time
        v = next;
        if (!(nowMs(clock) >= v))
            break;
    }
    return fromMs(v);
}

bool laterThan(DateTime a, DateTime b)
{
    return isFinite(a) && isFinite(b) && toMs(a) > toMs(b);
}

} // namespace

DateTime StepOneUnit(OccurrenceKind kind, DateTime x)
{
    switch (kind) {
    case OccurrenceKind::Yearly:
        return AddYears(x, 1);
    case OccurrenceKind::Monthly:
        return AddMonths(x, 1);
    case OccurrenceKind::Weekly:
        return AddWeeks(x, 1);
    case OccurrenceKind::Daily:
        return AddDays(x, 1);
    default:
        return x;
    }
}

DateTime NextValidDay(const QString &validDays, DateTime x)
{
    const int bits = validDayBits(validDays);
    if (bits == 0 || !isFinite(x))
        return x;
    return fromMs(nextValidDayMs(bits, toMs(x)));
}

int AnchorDayHeldBy(OccurrenceKind kind, int anchorDay, DateTime v)
{
    if (!keepsAnchorDay(kind) || !isFinite(v))
        return 0;
    return holdsAnchorDay(toMs(v), anchorDay) ? anchorDay : 0;
}

int AnchorDayToKeep(const QString &kind, DateTime due, int storedAnchorDay)
{
    if (!keepsAnchorDay(occurrenceKindFromWord(kind)) || !isFinite(due))
        return 0;
    const qint64 ms = toMs(due);
    if (holdsAnchorDay(ms, storedAnchorDay))
        return storedAnchorDay;
    return civilFromDay(dayOf(ms)).day;
}

DateTime StepOccurrence(const Clock &clock, OccurrenceKind kind, int frequency, const QString &validHours,
                        const QString &validDays, DateTime v, int anchorDay)
{
    if (!isFinite(v))
        return v;
    const qint64 ms = toMs(v);
    const RecurrenceRule rule = RecurrenceRule::read(kind, frequency, validHours, validDays, anchorDay).from(ms);
    if (!rule.moves())
        return v;
    const qint64 next = stepMs(rule, clock, ms);
    return next == ms ? v : fromMs(next);
}

DueAndAlarm AdvanceOccurrence(const Clock &clock, DateTime due, DateTime alarm, OccurrenceKind kind,
                              int frequency, const QString &validHours, const QString &validDays, int anchorDay)
{
    const RecurrenceRule rule = RecurrenceRule::read(kind, frequency, validHours, validDays, anchorDay);
    if (rule.moves() && isFinite(due) && isFinite(alarm) && !laterThan(alarm, due)) {
        // The alarm keeps its distance before the due time: the due time
        // moves until the alarm that far before it lies after now.
        // That is the due time advanced as if now were lead later.
        if (!isFinite(clock.now()))
            return {due, alarm};
        const qint64 lead = toMs(due) - toMs(alarm);
        const FixedClock ahead(fromMs(clampMs(nowMs(clock) + lead)));
        const DateTime nextDue = advancePastNow(rule, ahead, due);
        if (nextDue == due)
            return {due, alarm};
        return {nextDue, fromMs(toMs(nextDue) - lead)};
    }
    DueAndAlarm result{advancePastNow(rule, clock, due), DateTime()};
    result.alarm = advancePastNow(rule, clock, alarm);
    if (laterThan(result.alarm, result.due))
        result.alarm = result.due;
    return result;
}

DueAndAlarm AdvanceOccurrence(const Clock &clock, DateTime due, DateTime alarm, const QString &kind,
                              int frequency, const QString &validHours, const QString &validDays, int anchorDay)
{
    return AdvanceOccurrence(clock, due, alarm, occurrenceKindFromWord(kind), frequency, validHours, validDays,
                             anchorDay);
}

QList<DateTime> NextAlarms(const Clock &clock, DateTime due, DateTime alarm, const QString &kind, int frequency,
                           const QString &validHours, const QString &validDays, int count, int anchorDay)
{
    QList<DateTime> out;
    if (!isFinite(alarm) || !isFinite(clock.now()))
        return out;
    const OccurrenceKind k = occurrenceKindFromWord(kind);
    DueAndAlarm at{due, alarm};
    if (!laterThan(alarm, clock.now())) {
        at = AdvanceOccurrence(clock, due, alarm, k, frequency, validHours, validDays, anchorDay);
        if (!laterThan(at.alarm, clock.now()))
            return out;
    }
    out << at.alarm;
    while (out.size() < count) {
        // As the scan would move the task when its alarm comes.
        const FixedClock then(at.alarm);
        const DueAndAlarm next = AdvanceOccurrence(then, at.due, at.alarm, k, frequency, validHours, validDays,
                                                   anchorDay);
        if (!laterThan(next.alarm, at.alarm))
            break;
        at = next;
        out << at.alarm;
    }
    return out;
}

DateTime NextSnoozeTime(const Clock &clock, qint64 minutes, DateTime start)
{
    if (minutes <= 0 || !isFinite(start))
        return start;
    qint64 x = toMs(start);
    if (!(nowMs(clock) >= x))
        return start;
    const qint64 step = scaled(minutes, MsPerMinute);
    x += (nowMs(clock) - x) / step * step;
    for (;;) {
        const qint64 next = clampMs(x + step);
        if (next <= x)
            break;
        x = next;
        if (!(nowMs(clock) >= x))
            break;
    }
    return fromMs(x);
}
