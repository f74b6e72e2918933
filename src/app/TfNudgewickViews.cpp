// The main window's wiring of the view panel, the grid and the task actions.

#include "app/TfNudgewick.h"

#include "core/AppState.h"
#include "store/BackupService.h"
#include "store/DataModule.h"
#include "views/TaskActions.h"
#include "views/TaskGrid.h"
#include "views/ViewPanel.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

using namespace Qt::StringLiterals;

void TfNudgewick::wireViews()
{
    const auto report = [this](const std::function<void()> &handler) { guard(handler); };
    pcSelections->setGuard(report);
    pcSelections->attach(dbgTasks, eTaskSearch);
    dbgTasks->setGuard(report);
    // The status bar says what is listed: the view, and during a search its
    // words, with a button that ends the search.
    const auto showListed = [this] {
        m_statusPanels[0]->setText(m_searchWords.isEmpty() ? m_state.ViewStateText
                                                           : tr("%1 · Search: %2").arg(m_state.ViewStateText, m_searchWords));
        if (auto *clear = findChild<QToolButton *>(u"sbClearSearch"_s))
            clear->setVisible(!m_searchWords.isEmpty());
    };
    connect(pcSelections, &ViewPanel::viewStateTextChanged, this, showListed);
    connect(pcSelections, &ViewPanel::searchChanged, this, [this, showListed](const QString &words) {
        m_searchWords = words;
        showListed();
    });
    connect(sbTaskSearch, &QToolButton::clicked, this, [this] { guard([this] { pcSelections->TaskSearch1Click(); }); });

    m_taskActions = new TaskActions(m_dm, m_state, m_prompter, m_clock, *pcSelections, *dbgTasks, this);
    m_taskActions->setEditorOpener([this](TaskEditorMode mode) { OpenTaskEditor(mode); });
    m_taskActions->setSettingsSaver([this] { SaveSettings(); });
    m_taskActions->setBeforeBulkChange([this] { m_backups->backupNow(BackupReason::BulkChange); });

    // The handlers are reached through plain pointers: a `this` captured in
    // a lambda nested in another one is not kept reliably by every compiler.
    TaskActions *actions = m_taskActions;
    const auto on = [this, actions](QAction *action, void (TaskActions::*handler)()) {
        TfNudgewick *window = this;
        connect(action, &QAction::triggered, this,
                [window, actions, handler] { window->guard([actions, handler] { (actions->*handler)(); }); });
    };
    on(aTaskAdd, &TaskActions::aTaskAddExecute);
    on(aTaskEdit, &TaskActions::aTaskEditExecute);
    on(aTaskDuplicate, &TaskActions::aTaskDuplicateExecute);
    on(aTaskDelete, &TaskActions::aTaskDeleteExecute);
    if (auto *all = findChild<QAction *>(u"MoveTasksToToday1"_s))
        on(all, &TaskActions::Movetaskstotoday1Click);
    if (auto *one = findChild<QAction *>(u"MoveTaskToToday1"_s))
        on(one, &TaskActions::Movetasktotoday1Click);
    connect(aLongDateFormat, &QAction::triggered, this,
            [this](bool checked) { guard([this, checked] { m_taskActions->aLongDateFormatExecute(checked); }); });
    connect(aShowFields, &QAction::triggered, this, [this] { guard([this] { m_taskActions->aShowFieldsExecute(this); }); });
    // After an editor saved: the value lists and the calendar's marks follow.
    connect(this, &TfNudgewick::tasksChanged, this, [this] {
        guard([this] {
            RefreshValueLists();
            if (pcSelections->calendarActive())
                pcSelections->MarkCalendarDays();
        });
    });
    connect(dbgTasks, &TaskGrid::editRequested, this, [this] { guard([this] { m_taskActions->aTaskEditExecute(); }); });
    connect(dbgTasks, &TaskGrid::deleteRequested, aTaskDelete, &QAction::trigger);
    connect(dbgTasks, &TaskGrid::searchRequested, this, [this] {
        if (auto *search = findChild<QAction *>(u"Search1"_s))
            search->trigger();
    });
    connect(dbgTasks, &TaskGrid::orderChanged, this, [this] { guard([this] { m_taskActions->dbgTasksOrderChanged(); }); });
}

// Start-up: the view panel's controls from the settings, the value lists
// with their remembered check marks, then the last view.
void TfNudgewick::startViews()
{
    pcSelections->loadState();
    pcSelections->refreshValueLists();
    pcSelections->RestoreLastView();
    dbgTasks->fitDateColumns();
}

void TfNudgewick::RefreshValueLists()
{
    pcSelections->RefreshPriorityList();
    pcSelections->RefreshOccurrenceList();
    pcSelections->RefreshCategoryList();
}

void TfNudgewick::FillCategoryCombo(QComboBox *combo) const
{
    pcSelections->FillCategoryCombo(combo);
}
