#pragma once

#include "core/TaskEditorMode.h"

#include <QObject>

#include <functional>

class Clock;
class Prompter;
class TDM;
class TaskGrid;
class ViewPanel;
struct AppState;

// The task actions that start from the grid, the button bar and the menus:
// open the editor (add, edit, duplicate, prompt), delete, move to today, the
// long date toggle, the column chooser, and the re-sort after a click on a
// column title.
class TaskActions : public QObject
{
    Q_OBJECT
public:
    TaskActions(TDM &dm, AppState &state, Prompter &prompter, const Clock &clock, ViewPanel &panel, TaskGrid &grid,
                QObject *parent = nullptr);

    // The task editor, opened modally in a mode; and the settings save.
    void setEditorOpener(std::function<void(TaskEditorMode)> open) { m_openEditor = std::move(open); }
    void setSettingsSaver(std::function<void()> save) { m_saveSettings = std::move(save); }
    // Runs before a change of several tasks at once (a backup copy).
    void setBeforeBulkChange(std::function<void()> before) { m_beforeBulkChange = std::move(before); }

    void aTaskAddExecute();
    void aTaskEditExecute();
    void aTaskDuplicateExecute();
    void aNudgewickExecute();
    void aTaskDeleteExecute();
    void Movetaskstotoday1Click();
    void Movetasktotoday1Click();
    // After the long date switch changed: the date columns follow and the
    // settings are written.
    void aLongDateFormatExecute(bool checked);
    // Shows "Task Fields" over `parent`.
    void aShowFieldsExecute(QWidget *parent);
    // The grid's order list changed: the view re-reads in the new order and
    // keeps its conditions and the current task.
    void dbgTasksOrderChanged();

private:
    void openEditor(TaskEditorMode mode);
    bool hasCurrentTask() const;

    TDM &m_dm;
    AppState &m_state;
    Prompter &m_prompter;
    const Clock &m_clock;
    ViewPanel &m_panel;
    TaskGrid &m_grid;
    std::function<void(TaskEditorMode)> m_openEditor;
    std::function<void()> m_saveSettings;
    std::function<void()> m_beforeBulkChange;
};
