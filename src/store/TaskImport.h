#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class TaskSource;

// Carries the rows of a TaskSource into the program's own database, all or
// nothing: the rows go in within one transaction, and a row the database
// refuses (a text too long, a value out of range) stops the import with the
// source's ID of that row and leaves the database as it was.
//
// Columns are matched by name. A source column the program does not know is
// left out and named in the log; a column the source lacks gets the
// database's default. Values are taken as they come, except that a boolean
// column counts any non-zero number as true (stored as 1).
namespace taskimport {

struct Summary
{
    qint64 added = 0;
    qint64 skipped = 0;           // already present (addTasks only)
    QStringList ignoredColumns;   // source columns that were left out
};

// Called now and then with the rows done so far and the rows expected;
// returning false cancels the import, which then throws Error.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Creates the database file (which must not exist) and fills it with every
// row of source, each keeping its ID. On failure no file is left behind.
Summary intoNewDatabase(TaskSource &source, const QString &file, const Progress &progress = {});

// Adds the rows of source to the existing database file with new IDs,
// skipping each row whose Task and TaskCreated equal those of a task the
// database held before the import.
Summary addTasks(TaskSource &source, const QString &databaseFile, const Progress &progress = {});

} // namespace taskimport
