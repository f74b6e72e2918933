#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

class Connection;

// Tasks of the database to and from an iCalendar file.
//
// Every task that leaves in a file gets a UID, kept in a table of its own
// (TaskUids: task ID and UID), so the Tasks table keeps its layout and a
// file read back, here or on another machine, names the same tasks. Reading
// a file adds its to-dos as new tasks, except those whose UID names a task
// of the database: these are updated in place instead of added twice.
namespace ical {

struct ImportSummary
{
    int added = 0;
    int updated = 0;
    QStringList warnings; // "Task text: what could not be kept", one per line
};

// Writes the tasks with the given IDs, or every task when ids is empty.
// Throws Error when the file cannot be written; the old file then stays.
void exportTasks(Connection &db, const QList<qint64> &ids, const QString &file, const QTimeZone &zone);

// Reads the to-dos of file into the database as one step of the undo
// journal named undoLabel; created is the creation time given to to-dos
// that carry none. Throws Error, changing nothing, when the file cannot be
// read or a row is refused.
ImportSummary importTasks(Connection &db, const QString &file, const QTimeZone &zone, double created,
                          const QString &undoLabel);

} // namespace ical
