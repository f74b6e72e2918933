#pragma once

#include "alarm/Recurrence.h"
#include "core/DateTime.h"

#include <QString>

class Clock;
class Connection;
class Query;

// The stored fields of a task that say when it is due, how it repeats and
// how long it snoozes.
struct TaskSchedule
{
    QString occurrence;
    int frequency = 1;
    QString validHours;
    QString validDays;
    DateTime due;
    DateTime alarm;
    qint64 snoozeTime = 0;
    int anchorDay = 0; // the day of the month a monthly or yearly task keeps

    // From the current row of a result set that holds the Tasks columns.
    static TaskSchedule fromRow(const Query &row);
    // Reads the day the task keeps, for the kinds that keep one.
    void readAnchorDay(Connection &connection, qint64 taskId);
    // Due and alarm moved to the next occurrence as Apply Occurrence moves
    // them (AdvanceOccurrence); both unchanged when the kind does not recur.
    DueAndAlarm nextOccurrence(const Clock &clock) const;
};
