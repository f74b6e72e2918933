#include "alarm/TaskSchedule.h"

#include "alarm/RecurrenceRule.h"
#include "store/AnchorDays.h"
#include "store/Query.h"

using namespace Qt::StringLiterals;

TaskSchedule TaskSchedule::fromRow(const Query &row)
{
    TaskSchedule s;
    s.occurrence = row.fieldByName(u"Occurrence"_s).asString();
    s.frequency = int(row.fieldByName(u"Frequency"_s).asInteger());
    s.validHours = row.fieldByName(u"ValidHours"_s).asString();
    s.validDays = row.fieldByName(u"ValidDays"_s).asString();
    s.due = row.fieldByName(u"DueDateTime"_s).asDateTime();
    s.alarm = row.fieldByName(u"AlarmDateTime"_s).asDateTime();
    s.snoozeTime = row.fieldByName(u"SnoozeTime"_s).asInteger();
    return s;
}

void TaskSchedule::readAnchorDay(Connection &connection, qint64 taskId)
{
    anchorDay = keepsAnchorDay(occurrenceKindFromWord(occurrence)) ? anchordays::read(connection, taskId) : 0;
}

DueAndAlarm TaskSchedule::nextOccurrence(const Clock &clock) const
{
    return AdvanceOccurrence(clock, due, alarm, occurrence, frequency, validHours, validDays, anchorDay);
}
