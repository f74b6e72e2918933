#pragma once

#include "store/Connection.h"
#include "store/Query.h"

#include <QObject>

class Clock;
struct AppState;

// Passes on every change of the data of one result set: when it opens, when
// the current row moves and when a field of the current row changes. The
// grid, the two memos and the status bar follow it.
class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(Query &dataSet, QObject *parent = nullptr);
    Query &dataSet() const { return m_dataSet; }

signals:
    void dataChange();

private:
    Query &m_dataSet;
};

// The data module: the one database connection and the statements several
// parts of the program share, the task count of the status bar and the
// completion rule of the grid's check box.
class TDM : public QObject
{
    Q_OBJECT
public:
    TDM(const Clock &clock, AppState &state, QObject *parent = nullptr);

    Connection ADOConnection;
    Query qTasks;          // the task list behind the grid, read lazily; every view replaces its text
    DataSource dsTasks;
    Query qPrompt;         // one task by ID
    Query qPrintSelected;  // one task by ID, the first thirteen fields
    Query qExport;
    Query tImport;         // the Tasks table, for inserting rows
    Query qDelete;         // delete one task by ID

    // Points the connection at the database file and opens it.
    void connectTo(const QString &databaseFile, Connection::OpenCheck check = Connection::OpenCheck::None);

    // Reopens the task list with its text and parameters. The current task
    // stays current while it is still listed; otherwise the row at the same
    // position (or the last one) becomes current.
    void RequeryTaskList();

    // Whether the database may hold changes the open task list does not
    // show (always true while the list is closed).
    bool taskListOutdated();

    // Due and alarm columns in the long or short date pattern followed by the time.
    void ApplyDateDisplayFormat();

    // The completion rule: completes the task (100 %, completed now) or
    // reopens it (0 %, no date). Returns the rows changed (0: no such task).
    // The task list is not read again.
    int setTaskCompleted(qint64 id, bool completed);

    // The text of the task-count panel of the status bar.
    QString taskCountText() const;

signals:
    // Status panel 1 of the main window.
    void taskCountChanged(const QString &text);
    // Around a requery of the task list: the grid stops and resumes painting.
    void taskListAboutToRequery();
    void taskListRequeried();

private:
    void dsTasksDataChange();
    void qTasksCompletedChange(const QString &fieldName);

    const Clock &m_clock;
    AppState &m_state;
    Connection::ChangeStamp m_listStamp; // the database as the task list last read it
};
