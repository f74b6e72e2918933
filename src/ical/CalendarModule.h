#pragma once

#include "ical/TodoCalendar.h"

// The iCalendar module, libnw_ical.so, exports writeCalendar and
// readCalendar of TodoCalendar.h (and with them libical) under these names
// and types.
namespace ical {
using WriteCalendarFunction = QByteArray(const QList<Todo> &todos, const QTimeZone &zone);
using ReadCalendarFunction = QList<Todo>(const QByteArray &text, const QTimeZone &zone);
inline constexpr const char *WriteCalendarSymbol = "nw_ical_write_calendar";
inline constexpr const char *ReadCalendarSymbol = "nw_ical_read_calendar";
} // namespace ical
