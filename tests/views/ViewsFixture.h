#pragma once

#include "core/AppState.h"
#include "core/Clock.h"
#include "store/DataModule.h"
#include "toolkit/ErrorReport.h"
#include "toolkit/ScriptedPrompter.h"
#include "views/TaskActions.h"
#include "views/TaskGrid.h"
#include "views/TaskGridModel.h"
#include "views/ViewPanel.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A task to put in the fixture's database.
struct TaskRow
{
    QString task;
    int priority = 1;
    QString occurrence = QStringLiteral("Todo");
    QString category = QStringLiteral("Work");
    bool completed = false;
    QDateTime due = {};
    QDateTime alarm = {};
};

// The view panel, the grid and the task actions on a database of their own
// in a temporary folder, with a fixed clock (Thursday 2026-12-10 08:00) and
// a scripted prompter; as the main window puts them together.
struct ViewsFixture
{
    QTemporaryDir dir;
    FixedClock clock{DateTime::fromQDateTime(QDateTime(QDate(2026, 12, 10), QTime(8, 0)))};
    AppState state;
    ScriptedPrompter prompter;
    TDM dm{clock, state};
    QWidget window;
    QLineEdit *search = new QLineEdit(&window);
    TaskGrid *grid = new TaskGrid(&window);
    TaskGridModel *model = nullptr;
    ViewPanel *panel = nullptr;
    std::unique_ptr<TaskActions> actions;

    explicit ViewsFixture(const QList<TaskRow> &tasks = {})
    {
        dm.connectTo(dir.filePath(QStringLiteral("Nudgewick.mdb")));
        add(tasks);
        model = new TaskGridModel(dm.qTasks, state.Formats, grid);
        grid->setTaskModel(model);
        const auto report = [this](const std::function<void()> &h) { guarded(prompter, h); };
        grid->setGuard(report);
        panel = new ViewPanel(dm, state, clock, dir.path(), &window);
        panel->setGuard(report);
        panel->attach(grid, search);
        actions = std::make_unique<TaskActions>(dm, state, prompter, clock, *panel, *grid);
        QObject::connect(grid, &TaskGrid::orderChanged, grid, [this] { actions->dbgTasksOrderChanged(); });
        QObject::connect(&dm, &TDM::taskListAboutToRequery, grid, &TaskGrid::holdPosition);
        QObject::connect(&dm, &TDM::taskListRequeried, grid, &TaskGrid::restorePosition);
    }

    // Start-up: the remembered state, the value lists, the last view.
    void start()
    {
        panel->loadState();
        panel->refreshValueLists();
        panel->RestoreLastView();
    }

    void add(const QList<TaskRow> &tasks)
    {
        Query insert(dm.ADOConnection);
        insert.setSql({QStringLiteral("insert into Tasks (Task, Priority, Occurrence, Category, Completed, DueDateTime,"
                                      " AlarmDateTime) values (:Task, :Priority, :Occurrence, :Category, :Completed,"
                                      " :Due, :Alarm)")});
        for (const TaskRow &t : tasks) {
            insert.setParam(QStringLiteral("Task"), t.task);
            insert.setParam(QStringLiteral("Priority"), t.priority);
            insert.setParam(QStringLiteral("Occurrence"), t.occurrence);
            insert.setParam(QStringLiteral("Category"), t.category);
            insert.setParam(QStringLiteral("Completed"), t.completed);
            for (const auto &[name, value] : {std::pair{QStringLiteral("Due"), t.due}, std::pair{QStringLiteral("Alarm"), t.alarm}}) {
                if (value.isValid())
                    insert.setParam(name, DateTime::fromQDateTime(value));
                else
                    insert.setNullParam(name);
            }
            insert.execSql();
        }
    }

    // The listed tasks' descriptions, in grid order.
    QStringList listed() const
    {
        QStringList out;
        const int column = dm.qTasks.fieldIndex(QStringLiteral("Task"));
        for (int row = 0; row < dm.qTasks.recordCount(); ++row)
            out << dm.qTasks.valueAt(row, column).toString();
        return out;
    }

    QString current() const
    {
        return dm.qTasks.recNo() < 0 ? QString() : dm.qTasks.fieldByName(QStringLiteral("Task")).asString();
    }
};
