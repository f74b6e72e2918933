// Construction of the main window's frame: actions, menus and widgets.

#include "app/TfNudgewick.h"

#include "core/AppState.h"
#include "store/DataModule.h"
#include "toolkit/FlowLayout.h"
#include "toolkit/FocusFrame.h"
#include "views/TaskGrid.h"
#include "views/TaskGridModel.h"
#include "views/ViewPanel.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {
// Hints stay up for a minute.
constexpr int HintDisplayMs = 60000;

QAction *makeAction(QObject *owner, const QString &name, const QString &caption, const QString &hint,
                    const QKeySequence &shortcut = {})
{
    auto *action = new QAction(caption, owner);
    action->setObjectName(name);
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

QToolButton *makeButton(QWidget *parent, const QString &name, const QString &caption, QAction *action)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (action) {
        button->setToolTip(action->toolTip());
        QObject::connect(button, &QToolButton::clicked, action, &QAction::trigger);
    }
    button->setToolTipDuration(HintDisplayMs);
    return button;
}

QWidget *makeMemo(QWidget *parent, const QString &name, const QString &header, QPlainTextEdit **memo)
{
    auto *box = new QWidget(parent);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto *title = new QLabel(header, box);
    title->setObjectName(name + u"Header"_s);
    // A bold font, not a style sheet: the first style sheet brings in the
    // whole style sheet engine.
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    *memo = new QPlainTextEdit(box);
    (*memo)->setObjectName(name);
    (*memo)->setReadOnly(true);
    // Read-only, yet the keyboard moves through it and selects, with the
    // caret and a frame showing where the focus is.
    (*memo)->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    FocusFrame::attach(*memo);
    // Read-only panes in the colour of tool tips.
    QPalette palette = (*memo)->palette();
    palette.setColor(QPalette::Base, QToolTip::palette().color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Text, QToolTip::palette().color(QPalette::ToolTipText));
    (*memo)->setPalette(palette);
    title->setBuddy(*memo);
    layout->addWidget(title);
    layout->addWidget(*memo, 1);
    return box;
}
}

void TfNudgewick::createActions()
{
    aTaskAdd = makeAction(this, u"aTaskAdd"_s, u"Add"_s, u"Add Task"_s, QKeySequence(Qt::CTRL | Qt::Key_Insert));
    aTaskAdd->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Insert), QKeySequence(Qt::CTRL | Qt::Key_N)});
    aQuickAdd = makeAction(this, u"aQuickAdd"_s, tr("Quick Add…"), tr("Add a task in one line of words"),
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    connect(aQuickAdd, &QAction::triggered, this, [this] { guard([this] { aQuickAddExecute(); }); });
    aTaskEdit = makeAction(this, u"aTaskEdit"_s, u"Edit"_s, u"Edit Task"_s, QKeySequence(Qt::Key_F2));
    aTaskDelete = makeAction(this, u"aTaskDelete"_s, u"Delete"_s, u"Delete Task"_s, QKeySequence(Qt::CTRL | Qt::Key_Delete));
    aTaskDuplicate = makeAction(this, u"aTaskDuplicate"_s, u"Duplicate"_s, u"Duplicate task"_s, QKeySequence(Qt::CTRL | Qt::Key_D));
    aNudgewick = makeAction(this, u"aNudgewick"_s, u"Prompt"_s, {});
    aMinimizeNudgewick = makeAction(this, u"aMinimizeNudgewick"_s, u"Minimize"_s, u"Minimize Nudgewick"_s);
    aShowNudgewick = makeAction(this, u"aShowNudgewick"_s, u"Show"_s, u"Show Nudgewick"_s);
    aExitNudgewick = makeAction(this, u"aExitNudgewick"_s, u"Exit"_s, u"Exit Nudgewick"_s, QKeySequence(Qt::CTRL | Qt::Key_Q));
    aShowFields = makeAction(this, u"aShowFields"_s, u"Show Fields"_s, u"Show data fields"_s);
    aHideLeftPanel = makeAction(this, u"aHideLeftPanel"_s, u"Hide Left Panel"_s, {});
    aShowLeftPanel = makeAction(this, u"aShowLeftPanel"_s, u"Show Left Panel"_s, {});
    aLongDateFormat = makeAction(this, u"aLongDateFormat"_s, u"Long Date Format"_s, {});
    aLongDateFormat->setCheckable(true);
    aRestoreBackup = makeAction(this, u"aRestoreBackup"_s, u"Restore from Backup…"_s, u"Bring back the tasks of a backup"_s);
    connect(aRestoreBackup, &QAction::triggered, this, [this] { guard([this] { aRestoreBackupExecute(); }); });
    aImportWindowsTasks = makeAction(this, u"aImportWindowsTasks"_s, u"Import Tasks from a Windows Database…"_s,
                                     u"Add the tasks of a database of the Windows version"_s);
    connect(aImportWindowsTasks, &QAction::triggered, this, [this] { guard([this] { aImportWindowsTasksExecute(); }); });
    aExportCalendar = makeAction(this, u"aExportCalendar"_s, tr("&Export Tasks to iCalendar…"),
                                 tr("Write tasks to an .ics file that other task and calendar programs read"));
    connect(aExportCalendar, &QAction::triggered, this, [this] { guard([this] { aExportCalendarExecute(); }); });
    aImportCalendar = makeAction(this, u"aImportCalendar"_s, tr("&Import Tasks from iCalendar…"),
                                 tr("Add or update the to-dos of an .ics file"));
    connect(aImportCalendar, &QAction::triggered, this, [this] { guard([this] { aImportCalendarExecute(); }); });
    aDisablePopups = makeAction(this, u"aDisablePopups"_s, tr("Disable popups"), {});
    aDisablePopups->setCheckable(true);
    aRefresh = makeAction(this, u"aRefresh"_s, u"&Refresh"_s, u"Read the task list again"_s, QKeySequence(Qt::Key_F5));
    connect(aRefresh, &QAction::triggered, this, [this] {
        guard([this] {
            m_dm.RequeryTaskList();
            RefreshValueLists();
        });
    });

    // Actions with short-cuts work wherever the focus is in this window.
    for (QAction *a : {aTaskAdd, aQuickAdd, aTaskEdit, aTaskDelete, aTaskDuplicate, aExitNudgewick, aRefresh})
        addAction(a);

    connect(aShowNudgewick, &QAction::triggered, this, [this] { guard([this] { aShowNudgewickExecute(); }); });
    connect(aMinimizeNudgewick, &QAction::triggered, this, [this] { guard([this] { aMinimizeNudgewickExecute(); }); });
    connect(aExitNudgewick, &QAction::triggered, this, [this] { guard([this] { aExitNudgewickExecute(); }); });
    // The grid's date columns follow the long date switch at once.
    connect(aLongDateFormat, &QAction::toggled, this, [this](bool checked) {
        guard([this, checked] {
            m_state.LongDateFormat = checked;
            m_dm.ApplyDateDisplayFormat();
            dbgTasks->viewport()->update();
        });
    });
    connect(aHideLeftPanel, &QAction::triggered, this, [this] { pcSelections->hide(); });
    connect(aShowLeftPanel, &QAction::triggered, this, [this] { pcSelections->show(); });
}

void TfNudgewick::createMenus()
{
    QMenuBar *MainMenu1 = menuBar();

    QMenu *file = MainMenu1->addMenu(u"&File"_s);
    file->addAction(aRestoreBackup);
    file->addAction(aImportWindowsTasks);
    file->addSeparator();
    file->addAction(aImportCalendar);
    file->addAction(aExportCalendar);
    file->addSeparator();
    file->addAction(aSyncNow);
    file->addSeparator();
    file->addAction(aExitNudgewick);

    QMenu *view = MainMenu1->addMenu(u"&View"_s);
    const QStringList viewItems = {u"&All"_s, u"&Priority"_s, u"&Occurrence"_s, u"&Category"_s, u"&Date Range"_s,
                                   u"Ca&lendar"_s};
    for (int i = 0; i < viewItems.size(); ++i)
        connect(view->addAction(viewItems.at(i)), &QAction::triggered, this, [this, i] { showViewTab(i); });
    view->addSeparator();
    view->addAction(aHideLeftPanel);
    view->addAction(aShowLeftPanel);
    view->addSeparator();
    view->addAction(aRefresh);

    QMenu *tasks = MainMenu1->addMenu(u"&Tasks"_s);
    tasks->addActions({aTaskAdd, aQuickAdd, aTaskDelete, aTaskDuplicate, aTaskEdit});
    QAction *search = tasks->addAction(u"&Search"_s);
    search->setObjectName(u"Search1"_s);
    search->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_S), QKeySequence(Qt::CTRL | Qt::Key_F)});
    addAction(search);
    connect(search, &QAction::triggered, this, [this] {
        eTaskSearch->setFocus();
        eTaskSearch->selectAll();
        guard([this] { pcSelections->TaskSearch1Click(); });
    });
    tasks->addSeparator();
    tasks->addAction(aLongDateFormat);
    tasks->addAction(u"&Move tasks in task list to today"_s)->setObjectName(u"MoveTasksToToday1"_s);
    tasks->addSeparator();
    tasks->addAction(aShowFields);

    QMenu *print = MainMenu1->addMenu(u"&Print Tasks"_s);
    const auto printItem = [this](QMenu *menu, const QString &name, const QString &caption, void (TfNudgewick::*handler)()) {
        QAction *item = menu->addAction(caption);
        item->setObjectName(name);
        connect(item, &QAction::triggered, this, handler);
    };
    printItem(print, u"PrintDescriptionSingleLine1"_s, u"&1. Description with Single Line"_s,
              &TfNudgewick::PrintDescriptionSingleLine1Click);
    printItem(print, u"PrintDescriptionDoubleLine1"_s, u"&2. Description with Double Line"_s,
              &TfNudgewick::PrintDescriptionDoubleLine1Click);
    printItem(print, u"PrintDescriptionNotes1"_s, u"&3. Description && Notes"_s,
              &TfNudgewick::PrintDescriptionNotes1Click);
    print->addSeparator();
    printItem(print, u"PrintSelectedTaskOnly1"_s, u"&4. Selected Task Only"_s, &TfNudgewick::PrintSelectedTaskOnly1Click);

    // A menu command without items.
    QAction *settings = MainMenu1->addAction(u"&Settings"_s);
    settings->setObjectName(u"Settings2"_s);
    connect(settings, &QAction::triggered, this, [this] { guard([this] { Settings2Click(); }); });

    QMenu *help = MainMenu1->addMenu(u"&Help"_s);
    OnlineHelp1 = help->addAction(u"&Help"_s);
    OnlineHelp1->setShortcut(QKeySequence(Qt::Key_F1));
    help->addSeparator();
    CheckforUpdate1 = help->addAction(u"Check for a new version"_s);
    help->addSeparator();
    OnlineSupport1 = help->addAction(u"Online Support"_s);
    help->addSeparator();
    About1 = help->addAction(u"About Nudgewick"_s);

    Window1 = MainMenu1->addMenu(u"Window"_s);
    Window1->setObjectName(u"Window1"_s);
    connect(Window1, &QMenu::triggered, this, [this](QAction *item) { guard([this, item] { WindowItemClick(item); }); });
    MainMenu1Change();

    pmTasks = new QMenu(this);
    pmTasks->setObjectName(u"pmTasks"_s);
    pmTasks->addActions({aTaskAdd, aTaskEdit, aTaskDuplicate, aTaskDelete, aLongDateFormat});
    pmTasks->addAction(u"Move task to today"_s)->setObjectName(u"MoveTaskToToday1"_s);
    printItem(pmTasks, u"PrintSelectedTask1"_s, u"Print selected Task"_s, &TfNudgewick::PrintSelectedTaskOnly1Click);
    pmTasks->addAction(aShowFields);
}

void TfNudgewick::createWidgets()
{
    auto *central = new QWidget(this);
    auto *columns = new QHBoxLayout(central);
    columns->setContentsMargins(2, 2, 2, 2);

    pcSelections = new ViewPanel(m_dm, m_state, m_clock, m_dataFolder, central);
    columns->addWidget(pcSelections);

    // Button bar over the grid.
    auto *middle = new QWidget(central);
    auto *middleLayout = new QVBoxLayout(middle);
    middleLayout->setContentsMargins(0, 0, 0, 0);
    pButtons = new QWidget(middle);
    pButtons->setObjectName(u"pButtons"_s);
    // The buttons carry on in a second row where the width does not hold
    // them (twice the scale on a small screen), the search at the right.
    auto *buttons = new FlowLayout(pButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setLastItemRight(true);
    sbAdd = makeButton(pButtons, u"sbAdd"_s, u"&Add"_s, aTaskAdd);
    sbQuickAdd = makeButton(pButtons, u"sbQuickAdd"_s, tr("&Quick Add"), aQuickAdd);
    sbEdit = makeButton(pButtons, u"sbEdit"_s, u"&Edit"_s, aTaskEdit);
    SpeedButton1 = makeButton(pButtons, u"SpeedButton1"_s, u"Dup&licate"_s, aTaskDuplicate);
    sbDelete = makeButton(pButtons, u"sbDelete"_s, u"&Delete"_s, aTaskDelete);
    for (QToolButton *b : {sbAdd, sbQuickAdd, sbEdit, SpeedButton1, sbDelete})
        buttons->addWidget(b);
    auto *search = new QWidget(pButtons);
    search->setObjectName(u"pSearch"_s);
    auto *searchRow = new QHBoxLayout(search);
    searchRow->setContentsMargins(0, 0, 0, 0);
    // Alt+H belongs to the Help menu.
    auto *searchLabel = new QLabel(u"Sea&rch"_s, search);
    eTaskSearch = new QLineEdit(search);
    eTaskSearch->setObjectName(u"eTaskSearch"_s);
    eTaskSearch->setToolTip(u"Search Task for a word"_s);
    eTaskSearch->setToolTipDuration(HintDisplayMs);
    eTaskSearch->setMaximumWidth(160);
    eTaskSearch->setMinimumWidth(100);
    eTaskSearch->setClearButtonEnabled(true);
    searchLabel->setBuddy(eTaskSearch);
    sbTaskSearch = makeButton(search, u"sbTaskSearch"_s, u"Go"_s, nullptr);
    sbTaskSearch->setToolTip(u"Search Task for a word"_s);
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(eTaskSearch);
    searchRow->addWidget(sbTaskSearch);
    buttons->addWidget(search);
    middleLayout->addWidget(pButtons);

    dbgTasks = new TaskGrid(middle);
    dbgTasks->setObjectName(u"dbgTasks"_s);
    // The view panel keeps this text fitting the view (ViewPanel::emptyGridText).
    dbgTasks->setEmptyText(tr("No tasks yet — Ctrl+N adds one"));
    dbgTasks->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dbgTasks, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { pmTasks->popup(dbgTasks->viewport()->mapToGlobal(pos)); });
    middleLayout->addWidget(dbgTasks, 1);

    // The grid and the notes panel share the width; the panel keeps its own
    // width when the window is resized.
    m_gridSplitter = new QSplitter(Qt::Horizontal, central);
    m_gridSplitter->setChildrenCollapsible(false);
    m_gridSplitter->addWidget(middle);
    columns->addWidget(m_gridSplitter, 1);

    // Notes panel: description over notes with a splitter between.
    pNotes = new QWidget(m_gridSplitter);
    pNotes->setObjectName(u"pNotes"_s);
    auto *notesLayout = new QVBoxLayout(pNotes);
    notesLayout->setContentsMargins(0, 0, 0, 0);
    m_notesSplitter = new QSplitter(Qt::Vertical, pNotes);
    m_notesSplitter->addWidget(makeMemo(m_notesSplitter, u"dbmDescription"_s, u"Task Description"_s, &dbmDescription));
    m_notesSplitter->addWidget(makeMemo(m_notesSplitter, u"dbmNotes"_s, u"Task Notes"_s, &dbmNotes));
    m_notesSplitter->setChildrenCollapsible(false);
    m_notesSplitter->setStretchFactor(0, 0);
    m_notesSplitter->setStretchFactor(1, 1);
    notesLayout->addWidget(m_notesSplitter, 1);
    sbDonate = new QToolButton(pNotes);
    sbDonate->setObjectName(u"sbDonate"_s);
    sbDonate->setText(tr("Nudgewick on the web"));
    sbDonate->setAutoRaise(true);
    sbDonate->setCursor(Qt::PointingHandCursor);
    sbDonate->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    notesLayout->addWidget(sbDonate);
    m_gridSplitter->addWidget(pNotes);
    m_gridSplitter->setStretchFactor(0, 1);
    m_gridSplitter->setStretchFactor(1, 0);
    setNotesPanelSizes(m_notesSizes.descriptionHeight, m_notesSizes.notesHeight, m_notesSizes.width);

    setCentralWidget(central);

    // Status bar: view state, centred, and the task count.
    for (int i = 0; i < 2; ++i) {
        m_statusPanels[i] = new QLabel(statusBar());
        m_statusPanels[i]->setFrameShape(QFrame::StyledPanel);
        // Permanent, so a status tip shown over the bar leaves them in view.
        statusBar()->addPermanentWidget(m_statusPanels[i]);
    }
    m_statusPanels[0]->setMinimumWidth(190);
    m_statusPanels[0]->setAlignment(Qt::AlignCenter);
    m_statusPanels[1]->setMinimumWidth(50);
    // During a search the bar offers to end it.
    auto *clearSearch = new QToolButton(statusBar());
    clearSearch->setObjectName(u"sbClearSearch"_s);
    clearSearch->setText(tr("Clear"));
    clearSearch->setToolTip(tr("End the search and list the view's tasks again"));
    clearSearch->setAutoRaise(true);
    clearSearch->hide();
    statusBar()->insertPermanentWidget(1, clearSearch);
    connect(clearSearch, &QToolButton::clicked, this, [this] { guard([this] { pcSelections->clearSearch(); }); });
    statusBar()->setObjectName(u"sbMain"_s);

    tPopup = new QTimer(this);
    tPopup->setObjectName(u"tPopup"_s);
    tPopup->setInterval(1000);
    tDisablePopups = new QTimer(this);
    tDisablePopups->setObjectName(u"tDisablePopups"_s);
    tPopupInterval = new QTimer(this);
    tPopupInterval->setObjectName(u"tPopupInterval"_s);
}

void TfNudgewick::bindTaskList()
{
    m_gridModel = new TaskGridModel(m_dm.qTasks, m_state.Formats, this);
    m_gridModel->setErrorReport(m_prompter);
    dbgTasks->setTaskModel(m_gridModel);
    // Until a tab keeps a layout of its own, the grid shows the columns a
    // task list is read by, so the task, due and alarm columns are in view;
    // Tasks › Show Fields brings back the others.
    for (const QString &field : {u"TaskCreated"_s, u"Occurrence"_s, u"Frequency"_s, u"PercentageComplete"_s,
                                 u"CompletedDate"_s})
        dbgTasks->setFieldVisible(field, false);

    // The grid and the result set share one current row.
    connect(dbgTasks->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid() && current.row() != m_dm.qTasks.recNo())
                    guard([&] { m_dm.qTasks.moveTo(current.row()); });
            });
    connect(&m_dm.dsTasks, &DataSource::dataChange, this, &TfNudgewick::followCurrentRow);
    connect(&m_dm, &TDM::taskCountChanged, m_statusPanels[1], &QLabel::setText);
    connect(&m_dm, &TDM::taskListAboutToRequery, dbgTasks, &TaskGrid::holdPosition);
    connect(&m_dm, &TDM::taskListRequeried, dbgTasks, &TaskGrid::restorePosition);
    wireViews();
}

// The memos and the grid's cursor show the current row of the task list.
void TfNudgewick::followCurrentRow()
{
    const Query &q = m_dm.qTasks;
    const int row = q.recNo();
    const bool hasRow = q.isOpen() && row >= 0;
    const QString task = hasRow ? q.fieldByName(u"Task"_s).asString() : QString();
    const QString notes = hasRow ? q.fieldByName(u"Notes"_s).asString() : QString();
    if (dbmDescription->toPlainText() != task)
        dbmDescription->setPlainText(task);
    if (dbmNotes->toPlainText() != notes)
        dbmNotes->setPlainText(notes);
    if (hasRow && dbgTasks->currentIndex().row() != row) {
        const int column = std::max(dbgTasks->currentIndex().column(), 0);
        dbgTasks->selectionModel()->setCurrentIndex(m_gridModel->index(row, column),
                                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

void TfNudgewick::showViewTab(int index)
{
    pcSelections->show();
    pcSelections->setCurrentIndex(index);
}

void TfNudgewick::setNotesPanelSizes(int descriptionHeight, int notesHeight, int width)
{
    m_notesSizes = {descriptionHeight, notesHeight, width};
    // A pane holds its header and the layout's spacing above the memo.
    const QWidget *pane = dbmDescription->parentWidget();
    const int header = pane->layout()->itemAt(0)->sizeHint().height() + pane->layout()->spacing();
    m_notesSplitter->setSizes({descriptionHeight + header, notesHeight + header});
    const int total = std::max(m_gridSplitter->width(), 400);
    m_gridSplitter->setSizes({total - width, width});
}

TfNudgewick::NotesPanelSizes TfNudgewick::notesPanelSizes() const
{
    // Until the window has been laid out on screen the configured sizes stand.
    if (!pNotes->isVisible())
        return m_notesSizes;
    return {dbmDescription->height(), dbmNotes->height(), pNotes->width()};
}
