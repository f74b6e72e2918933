#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

class Connection;
struct sqlite3;

// The undo journal: every change a person makes to Tasks is one step of the
// journal, kept in tables of its own in the task database. A step holds,
// for each row it touched, the row as it was before and after, and so for
// each day a task keeps (TaskAnchorDays) that it changed. The rows are
// recorded by temporary triggers on this program's connection while a step
// is open (Connection::step), so they are written in the same transaction
// as the change itself; writes made outside a step (the alarm scan's own
// moves, other programs) are not steps.
namespace undojournal {

// Steps kept; older ones are dropped as new ones are recorded.
inline constexpr int StepLimit = 100;

// The journal's tables and index, each created only where it is missing.
QStringList schemaStatements();

// Creates the temporary step context and the triggers that record changes
// to Tasks on this connection. Returns false (recording nothing) when the
// journal tables or the Tasks columns it copies are not there.
bool installRecorder(sqlite3 *db);
// Removes the triggers; the context stays.
void removeRecorder(sqlite3 *db);

// Used by Connection::step inside its transaction: opens a step (its rows
// are recorded from now on) and closes it (a step that recorded nothing
// leaves no trace; otherwise the steps that were undone can no longer be
// redone and the journal is trimmed to its limit).
void openStep(sqlite3 *db, const QString &label);
void closeStep(sqlite3 *db);

} // namespace undojournal

// What an undo or redo did.
struct UndoOutcome
{
    bool done = false;          // false: there was no step to undo or redo
    QString label;              // the step's name
    int applied = 0;            // rows put back
    QStringList skippedTasks;   // titles of rows that were changed since and were left alone
};

// Undo and redo over the journal of one connection.
class UndoJournal
{
public:
    explicit UndoJournal(Connection &connection) : m_connection(connection) {}

    // A step's name for an action on one task: the pattern "Delete %1" gives
    // "Delete “Call the plumber”".
    static QString taskLabel(Connection &connection, const QString &pattern, qint64 id);

    // The name of the step an undo or redo would take back; empty when none.
    QString undoLabel();
    QString redoLabel();

    // Takes back the latest step (or redoes the earliest undone one), row by
    // row in one transaction: a row that no longer holds what the step left
    // is not touched and is named in the outcome.
    UndoOutcome undo();
    UndoOutcome redo();

    // Around a restore that replaces the whole database: the tasks and the
    // journal are kept aside first; afterwards the journal is carried over
    // and one step records the restore itself, so undoing it brings back
    // the tasks as they were before.
    void keepBeforeRestore();
    void recordRestore(const QString &label);
    void dropKeptState();

private:
    UndoOutcome replay(bool undoing);
    static void replayAnchors(sqlite3 *db, qint64 step, bool undoing, const QSet<qint64> &skippedIds);
    Connection &m_connection;
};
