#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Clock;
class Prompter;
class QAction;
class QWidget;
class TDM;
struct AppState;

// What a task editor is handed by the window that opens it: the data
// module, the shared state, the prompter and the clock, the settings file
// that holds the defaults of a new task, and the few services of the main
// window it uses. Unset functions do nothing.
struct TaskEditorHost
{
    TDM &dm;
    AppState &state;
    Prompter &prompter;
    const Clock &clock;
    QString settingsFile;

    // The categories of the view panel, for the category box's list.
    std::function<QStringList()> categoryCaptions;
    // The date selected in the month calendar while the calendar view shows.
    std::function<std::optional<QDate>()> calendarDate;
    // The "Window" menu item of an editor of an existing task.
    std::function<QAction *(QWidget *editor, int taskId, const QString &category, const QString &task)> addWindowItem;
    std::function<void(QAction *item)> removeWindowItem;
};
