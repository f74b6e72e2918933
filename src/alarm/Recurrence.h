#pragma once

#include "alarm/DateArithmetic.h"
#include "alarm/OccurrenceKind.h"
#include "core/Clock.h"
#include "core/DateTime.h"

#include <QList>
#include <QString>

// How a recurring task moves on to its next occurrence, and the snooze step.
// Pure functions of their arguments and of "now", which they read from the
// clock afresh at every comparison with the present.

struct DueAndAlarm
{
    DateTime due;
    DateTime alarm;
};

// "Yearly", "Monthly", "Weekly" and "Daily" move x by one year, month, week
// or day; every other kind returns x unchanged.
DateTime StepOneUnit(OccurrenceKind kind, DateTime x);

// The first day after x's date whose weekday the ValidDays mask allows, at
// x's time of day. Every day is allowed when the mask's length after trimming
// is not 7; x itself comes back when the mask allows no day at all.
DateTime NextValidDay(const QString &validDays, DateTime x);

// The day of the month a task keeps ("monthly on the 31st"): the kinds that
// step by months or years ("Monthly", "Months", "Yearly", "Years") may have
// one, kept beside the task (see store/AnchorDays.h). A step from a date
// that holds it (on that day, or on the last day of a shorter month) lands
// on that day again, cut to the length of its month: monthly from 31 October
// gives 30 November, then 31 December; yearly from 29 February 2024 gives
// 28 February 2025 and 29 February 2028. Without one, or from a date that
// does not hold it (moved away from it by other means), a step keeps the day
// it starts from, cut the same way (30 November, then 30 December).
//
// The anchor day that counts for stepping v: anchorDay when the kind keeps
// one and v holds it, else 0.
int AnchorDayHeldBy(OccurrenceKind kind, int anchorDay, DateTime v);
// The anchor day the editor stores for a task of the kind due at due: the
// stored one while the due date still holds it (a date the stepping cut to a
// short month's end keeps the 31st), else the due date's own day; 0 for a
// kind that keeps none.
int AnchorDayToKeep(const QString &kind, DateTime due, int storedAnchorDay);

// One step of a recurrence from v: the next occurrence by the kind, its
// frequency and its valid hours and days, and the task's anchor day (0:
// none). "MonthDay" steps to its day in the first month whose such day lies
// after now (never today). Values that could not move a step are read as
// described in RecurrenceRule.h, so every kind that recurs moves forward.
DateTime StepOccurrence(const Clock &clock, OccurrenceKind kind, int frequency, const QString &validHours,
                        const QString &validDays, DateTime v, int anchorDay = 0);

// Moves a task to its next occurrence. When the alarm is set at or before the
// due date-time, both move together: the due date-time steps until the alarm,
// kept the same distance before it, lies after now (values already there stay
// as they are). Otherwise (no alarm, no due date-time, or an alarm after the
// due date-time) due, then alarm, each step until it lies after now, and the
// alarm is brought back to the due date-time when it would be later. The result is exactly that of taking the
// steps one by one, but dates far in the past are reached without taking
// every step. A kind that does not recur ("Scheduled", "Immediate", "Todo" or
// any unknown text) leaves both where they are.
// The anchor day (0: none) is followed by each value that holds it where
// it starts, by the steps of the kinds that keep one.
DueAndAlarm AdvanceOccurrence(const Clock &clock, DateTime due, DateTime alarm, OccurrenceKind kind,
                              int frequency, const QString &validHours, const QString &validDays,
                              int anchorDay = 0);
// The same with the stored Occurrence word.
DueAndAlarm AdvanceOccurrence(const Clock &clock, DateTime due, DateTime alarm, const QString &kind,
                              int frequency, const QString &validHours, const QString &validDays,
                              int anchorDay = 0);

// The next count alarm times of a task from now: its alarm when that lies
// ahead, then each time the advance above gives when it is applied at the
// alarm before. Fewer when the kind does not recur or the alarm cannot move.
QList<DateTime> NextAlarms(const Clock &clock, DateTime due, DateTime alarm, const QString &kind, int frequency,
                           const QString &validHours, const QString &validDays, int count, int anchorDay = 0);

// start moved on by steps of the given minutes until it lies after now;
// start itself when it already does or when minutes is 0 or less. With
// start = now this is now plus the minutes.
DateTime NextSnoozeTime(const Clock &clock, qint64 minutes, DateTime start);
