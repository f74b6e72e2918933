#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class Connection;

// The day of the month a task that repeats by months or years keeps ("monthly
// on the 31st"), in a table of its own beside Tasks, whose layout stays as it
// is: TaskAnchorDays (TaskID, Day), one row for each such task the editor
// saved. Files without the table (made by earlier versions) gain it when
// opened; a task without a row steps from the day its date has.
//
// Triggers keep the rows true to their tasks whoever writes them: a row goes
// with its task, when the task changes to a kind that does not step by months
// or years, and when its due date no longer holds the day (moved to another
// day, rather than cut to the end of a shorter month by a step).
namespace anchordays {

// The table and its triggers, each created only where it is missing.
QStringList schemaStatements();

// True when the database has the table.
bool present(Connection &connection);

// The day the task keeps; 0 when it keeps none or the table is missing.
int read(Connection &connection, qint64 taskId);

// Keeps day (1 to 31) for the task, or drops its row for 0. Does nothing
// when the table is missing (a file that could not take it).
void write(Connection &connection, qint64 taskId, int day);

} // namespace anchordays
