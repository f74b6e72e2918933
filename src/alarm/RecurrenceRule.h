#pragma once

#include "alarm/OccurrenceKind.h"

#include <QString>

class Clock;

// A task's recurrence read once from its stored fields, and the step of each
// kind on the millisecond time line (see CalendarMath.h).
//
// Values that would keep a step from moving are read as the editor shows
// them: a frequency below 1 as 1 for the kinds that step by it; a "MonthDay"
// position other than 1 to 4 or -1 to -4 as 1 (first); a "MonthDay" mask
// without a weekday letter as Monday; a valid-days mask with no valid day as
// every day valid (the alarm scan treats it so too); a first valid hour after
// 23 as 23.
struct RecurrenceRule
{
    static constexpr int AllDays = 0x7F; // bit (weekday − 1), 1 = Sunday

    OccurrenceKind kind = OccurrenceKind::Unknown;
    qint64 frequency = 1; // the step count, or the "MonthDay" position
    int firstHour = 0;    // "Hourly" window
    int lastHour = 23;
    int dayMask = AllDays; // "Hourly" and "Daily" valid days, never empty
    int monthDayWeekday = 2;
    // The day of the month the user chose for a kind that steps by months
    // or years (1 to 31); 0: none, each step keeps the day it starts from.
    int anchorDay = 0;

    // anchorDay counts only for "Monthly", "Months", "Yearly" and "Years"
    // and only from 1 to 31; any other is read as none.
    static RecurrenceRule read(OccurrenceKind kind, int frequency, const QString &validHours,
                               const QString &validDays, int anchorDay = 0);

    // False for the kinds that do not recur.
    bool moves() const;
    // The rule for stepping from v: without its anchor day when v does not
    // hold it (a date moved away from that day by other means since).
    RecurrenceRule from(qint64 v) const;
};

// True for the kinds that step by months or years and so keep a chosen day.
bool keepsAnchorDay(OccurrenceKind kind);

// The weekdays a ValidDays text allows: AllDays when its length after
// trimming is not 7, else a bit for each position holding its letter
// (possibly none).
int validDayBits(const QString &validDays);

// The first day after v's date whose weekday is in the mask (not 0), at v's
// time of day.
qint64 nextValidDayMs(int dayMask, qint64 v);

// "Now" on the time line; earlier than everything when the clock gives no number.
qint64 nowMs(const Clock &clock);

// One step of the rule. Reads the clock only for "MonthDay".
qint64 stepMs(const RecurrenceRule &rule, const Clock &clock, qint64 v);

// From a value v at or before now, a value that stepping from v reaches and
// that still lies at or before now, found without taking every step: the
// remaining steps to pass now are then few.
qint64 skipTowards(const RecurrenceRule &rule, const Clock &clock, qint64 v, qint64 now);
