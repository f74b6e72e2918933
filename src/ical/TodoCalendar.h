#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <QUuid>
#include <QVariantMap>

// Tasks as iCalendar to-dos (VTODO with a VALARM), written and read with
// libical.
//
// Stored times are wall-clock times of the given zone: they are written with
// the zone's TZID and its VTIMEZONE (or as UTC when the zone is UTC), and
// times read in UTC or another zone are turned into that zone's wall clock.
// What the standard fields cannot say exactly (the occurrence kind with its
// frequency, valid hours and days, the exact priority, the auto-snooze
// settings, the month-end rule of our arithmetic) travels in X-NUDGEWICK-
// properties, so a file written here reads back into identical rows; a file
// from another program is read from the standard fields alone.
namespace ical {

// One task: its Tasks columns by name (ID left out; dates as day numbers, as
// stored), "AnchorDay" for the day of the month a monthly or yearly task
// keeps (see store/AnchorDays.h), and the UID that names it between files
// and machines.
struct Todo
{
    QString uid;
    QVariantMap fields;
    QStringList warnings; // on reading: what could not be kept as it was, in words
    // When the to-do last changed (UTC): written as LAST-MODIFIED when
    // valid; read from LAST-MODIFIED, else from DTSTAMP.
    QDateTime lastModified;
    // On reading: for one occurrence of a repeating to-do kept beside its
    // series (RECURRENCE-ID), the stored time of that occurrence; null for
    // the to-do itself.
    QVariant recurrenceId;
};

QByteArray writeCalendar(const QList<Todo> &todos, const QTimeZone &zone);

// Reads every VTODO of a calendar file. Throws Error when the text is not an
// iCalendar file. Components other than VTODO are left out.
QList<Todo> readCalendar(const QByteArray &text, const QTimeZone &zone);

// A new UID for a task that has none yet.
inline QString newUid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral("@nudgewick");
}

} // namespace ical
