// The iCalendar module, libnw_ical.so: to-dos written and read with libical.

#include "ical/CalendarModule.h"

#include "core/ModuleExport.h"

NW_MODULE_EXPORT QByteArray nw_ical_write_calendar(const QList<ical::Todo> &todos, const QTimeZone &zone)
{
    return ical::writeCalendar(todos, zone);
}

// Throws Error, as readCalendar does, for a text that is no iCalendar file.
NW_MODULE_EXPORT QList<ical::Todo> nw_ical_read_calendar(const QByteArray &text, const QTimeZone &zone)
{
    return ical::readCalendar(text, zone);
}
