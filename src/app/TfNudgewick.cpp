#include "app/TfNudgewick.h"

#include "alarm/AlarmEngine.h"
#include "alarm/DesktopPrompts.h"
#include "alarm/PromptAnswers.h"
#include "alarm/PopupSnooze.h"
#include "alarm/PopupPacing.h"
#include "app/AppTrayIcon.h"
#include "app/SyncControl.h"
#include "core/AppState.h"
#include "core/Logging.h"
#include "editor/TfTaskEdit.h"
#include "popup/MSNPopUp.h"
#include "hotkeys/HotKeyManager.h"
#include "store/BackupService.h"
#include "store/DataModule.h"
#include "views/TaskActions.h"
#include "views/MarkedCalendar.h"
#include "views/ViewPanel.h"
#include "store/TfUpgrade.h"
#include "toolkit/AutostartEntry.h"
#include "toolkit/ErrorReport.h"
#include "toolkit/ScreenFit.h"
#include "toolkit/SoundPlayer.h"
#include "toolkit/UrlOpener.h"
#include "toolkit/HotKeyBackend.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
constexpr QSize DesignSize(798, 570);
constexpr QSize MinimumSize(712, 501);
}

TfNudgewick::TfNudgewick(TDM &dm, AppState &state, Prompter &prompter, const Clock &clock,
                         const QString &dataFolder, QWidget *parent)
    : QMainWindow(parent), m_dm(dm), m_state(state), m_prompter(prompter), m_clock(clock), m_dataFolder(dataFolder)
{
    setObjectName(u"fNudgewick"_s);
    createActions();
    createWidgets();
    createSync();
    createMenus();
    createUndoActions();
    createShell();
    createBackupService();

    MSNPopUp = new TMSNPopUp(this);
    MSNPopUp->setObjectName(u"MSNPopUp"_s);
    MSNPopUp->applyMainWindowDesign();
    m_hotKeyBackend = createHotKeyBackend();

    // The reminder: the alarm scan on tPopup, the answers to notification
    // clicks, popup pacing and the alarm sound.
    m_alarm = new AlarmEngine({m_dm, m_state, m_clock, m_prompter, *MSNPopUp, *tPopup, *tDisablePopups,
                               *tPopupInterval, *aDisablePopups, settingsFile(),
                               std::make_unique<ModuleSoundPlayer>(m_dataFolder,
                                                                   [this](const QString &why) {
                                                                       // Told after the scan's pass, not inside it.
                                                                       QTimer::singleShot(0, this, [this, why] {
                                                                           m_prompter.error(why);
                                                                       });
                                                                   }),
                               [this](qint64 id) {
                                   const QString name = u"Item"_s + QString::number(id);
                                   const auto items = Window1->actions();
                                   return std::any_of(items.begin(), items.end(),
                                                      [&](const QAction *item) { return item->objectName() == name; });
                               },
                               [this] { aNudgewick->trigger(); }, [this] { UpdateCheck(true); },
                               std::make_unique<LogindResumeNotifier>()},
                              this);
    connect(aNudgewick, &QAction::triggered, this, [this] { guard([this] { aNudgewickExecute(); }); });
    // Prompts may go to the desktop's own notifications instead of the popup.
    m_alarm->desktopPrompts().setIconFile(u":/icons/nudgewick-64.png"_s);
    m_alarm->desktopPrompts().setService(std::make_unique<DBusDesktopNotifications>());
    // Done on a prompt completes a task or moves it to its next occurrence.
    connect(&m_alarm->answers(), &PromptAnswers::taskDone, this, &TfNudgewick::tasksChanged);
    // A snooze from a notification moves the task's alarm: the calendar's
    // marks follow.
    connect(&m_alarm->snooze(), &PopupSnooze::taskSnoozed, this, [this] {
        guard([this] {
            if (pcSelections->calendarActive())
                pcSelections->MarkCalendarDays();
        });
    });

    // A first start takes a good share of the screen, so the grid's main
    // columns are in view; on a small screen (or a large scale) the window
    // never asks for more than the screen offers. A size the user set is
    // applied later from the settings.
    QSize available = DesignSize;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        available = screen->availableGeometry().size();
    setMinimumSize(MinimumSize.boundedTo(available));
    resize(firstWindowSize(available));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // Esc is seen here before any control of the window.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { guard([this] { FormKeyDown(Qt::Key_Escape); }); });
}

TfNudgewick::~TfNudgewick()
{
    m_dm.ADOConnection.setJournalListener({});
}

void TfNudgewick::guard(const std::function<void()> &handler)
{
    guarded(m_prompter, handler);
}

QString TfNudgewick::settingsFile() const
{
    return QDir(m_dataFolder).filePath(u"Nudgewick.ini"_s);
}

QLabel *TfNudgewick::statusPanel(int index) const
{
    return index >= 0 && index < 2 ? m_statusPanels[index] : nullptr;
}

void TfNudgewick::FormCreate()
{
    // Caption: title and version.
    setWindowTitle(QGuiApplication::applicationDisplayName() + u" "_s + QCoreApplication::applicationVersion());
    m_state.ExitRequested = false;

    ImportWindowsDatabase();
    openDatabase();
    m_backups->countChangesFromNow();

    // A new release's empty database waiting beside the live one takes the
    // tasks over before anything reads them; the alarm scan waits meanwhile.
    if (TfUpgrade::isPending(m_dataFolder)) {
        const QSignalBlocker noAlarmScan(tPopup);
        m_backups->backupNow(BackupReason::Upgrade);
        TfUpgrade(m_dm, m_prompter, m_clock, m_dataFolder, this).exec();
    }

    m_state.UpdateCheckPending = false;
    bindTaskList();

    m_state.CheckedOccurrences.clear();
    m_state.CheckedCategories.clear();
    m_state.CheckedPriorities.clear();

    applyAutostart();
    LoadSettings();
    setMinimizeToTray(m_state.MinimizeToTray);
    ApplyBackupSettings();
    m_statusPanels[0]->setText(m_state.ViewStateText);

    m_state.requestScan();
    installDefaultAlarmSound(m_dataFolder);
    m_alarm->pacing().start();

    // The value lists and the last view: the task list is read once here.
    startViews();
    SetUpHotKeys();
    startSync();
    qCInfo(lcApp) << "started with" << m_dm.qTasks.recordCount() << "tasks from" << m_dataFolder;
    m_backups->backupIfNewDay();
}

// Close sequence ------------------------------------------------------------

void TfNudgewick::closeEvent(QCloseEvent *event)
{
    if (m_shutDown) {
        event->accept();
        return;
    }
    bool closing = false;
    guard([&] { closing = FormCloseQuery() && FormClose(); });
    if (!closing) {
        event->ignore();
        return;
    }
    event->accept();
    guard([this] { ShutDown(); });
}

// A close minimises instead while "Minimize on Close" is on, unless a real
// exit was asked for.
bool TfNudgewick::FormCloseQuery()
{
    if (!m_state.MinimizeOnClose || m_state.ExitRequested)
        return true;
    aMinimizeNudgewickExecute();
    return false;
}

bool TfNudgewick::FormClose()
{
    m_state.ExitRequested = false;
    if (m_state.ExitDialog && !m_prompter.confirm(u"Exit Nudgewick?"_s))
        return false;
    return true;
}

void TfNudgewick::ShutDown(SaveErrors errors)
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    tPopup->stop();
    m_sync->stop();
    // The program ends whatever happens to the settings.
    struct End {
        TfNudgewick *window;
        ~End() { emit window->ended(); }
    } end{this};
    SaveSettings(errors);
    // A database changed since its last backup is backed up before the end.
    m_backups->backupIfChanged();
    m_backups->waitForIdle();
    m_state.CheckedPriorities.clear();
    m_state.CheckedOccurrences.clear();
    m_state.CheckedCategories.clear();
    delete m_hotKeyManager;
    qCInfo(lcApp) << "shut down";
}

void TfNudgewick::WMQueryEndSession()
{
    m_state.ExitRequested = true;
}

void TfNudgewick::endSession()
{
    WMQueryEndSession();
    // Nobody may be there to answer: an error is logged and the program ends.
    try {
        ShutDown(SaveErrors::Log);
    } catch (const Error &e) {
        qCWarning(lcApp) << "ending the session:" << e.text();
    } catch (const std::exception &e) {
        qCWarning(lcApp) << "ending the session:" << e.what();
    }
    hide();
}

void TfNudgewick::commitSession()
{
    if (m_shutDown)
        return;
    // A change of the task list not yet written goes to the database first.
    guard([this] {
        postPendingEdit();
    });
    guard([this] { SaveSettings(SaveErrors::Log); });
}

void TfNudgewick::aExitNudgewickExecute()
{
    m_state.ExitRequested = true;
    close();
}

void TfNudgewick::FormKeyDown(int key)
{
    if (key != Qt::Key_Escape)
        return;
    if (m_state.EscMinimize)
        aMinimizeNudgewickExecute();
    else
        close();
}

// Window state --------------------------------------------------------------

bool TfNudgewick::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !m_shutDown)
        guard([this] { FormActivate(); });
    const bool result = QMainWindow::event(event);
    if (event->type() == QEvent::UpdateRequest && !m_painted) {
        m_painted = true;
        qCInfo(lcApp) << "window painted";
    }
    return result;
}

// The list shows changes made elsewhere; it is read again only when the
// database has changed since it was read.
void TfNudgewick::FormActivate()
{
    if (m_dm.taskListOutdated())
        m_dm.RequeryTaskList();
}

void TfNudgewick::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        guard([this] { ApplicationMinimize(); });
    QMainWindow::changeEvent(event);
}

void TfNudgewick::aShowNudgewickExecute()
{
    TrayIcon->stopWatching();
    // Back to a normal window, whatever state it was left in.
    setWindowState(Qt::WindowActive);
    showNormal();
    raise();
    activateWindow();
    qCInfo(lcApp) << "window raised";
}

void TfNudgewick::OpenTaskEditor(TaskEditorMode mode, const TaskValues *filled)
{
    TaskEditorHost host{m_dm, m_state, m_prompter, m_clock, settingsFile(), {}, {}, {}, {}};
    host.addWindowItem = [this](QWidget *editor, int taskId, const QString &category, const QString &task) {
        return addWindowItem(editor, taskId, category, task);
    };
    host.removeWindowItem = [this](QAction *item) { removeWindowItem(item); };
    host.categoryCaptions = [this] { return pcSelections->categoryCaptions(); };
    host.calendarDate = [this]() -> std::optional<QDate> {
        if (pcSelections->calendarActive())
            return pcSelections->PlannerCalendar1->selectedDate();
        return std::nullopt;
    };
    TfTaskEdit::open(host, mode, this, [this, filled](TfTaskEdit *editor) {
        if (filled && editor->mode() == TaskEditorMode::Add)
            editor->fillValues(*filled);
        connect(editor, &TfTaskEdit::tasksChanged, this, &TfNudgewick::tasksChanged);
        connect(editor, &TfTaskEdit::printTaskRequested, this, [this, editor](int taskId) { PrintTask(taskId, editor); });
    });
}

void TfNudgewick::aNudgewickExecute()
{
    // Prompt mode, then the calendar's marks when the Calendar tab shows.
    m_taskActions->aNudgewickExecute();
}

void TfNudgewick::aMinimizeNudgewickExecute()
{
    showMinimized();
}

// The "Window" menu -----------------------------------------------------------

void TfNudgewick::MainMenu1Change()
{
    Window1->menuAction()->setVisible(!Window1->actions().isEmpty());
}

QAction *TfNudgewick::addWindowItem(QWidget *editor, int taskId, const QString &category, const QString &task)
{
    const QString caption = (u"["_s + category + u"] "_s + task).left(25);
    auto *item = Window1->addAction(caption);
    item->setObjectName(u"Item"_s + QString::number(taskId));
    item->setData(QVariant::fromValue(QPointer<QWidget>(editor)));
    MainMenu1Change();
    return item;
}

void TfNudgewick::removeWindowItem(int taskId)
{
    const QString name = u"Item"_s + QString::number(taskId);
    for (QAction *item : Window1->actions()) {
        if (item->objectName() == name) {
            Window1->removeAction(item);
            item->deleteLater();
        }
    }
    MainMenu1Change();
}

void TfNudgewick::removeWindowItem(QAction *item)
{
    Window1->removeAction(item);
    item->deleteLater();
    MainMenu1Change();
}

void TfNudgewick::WindowItemClick(QAction *item)
{
    const auto editor = item->data().value<QPointer<QWidget>>();
    if (editor) {
        editor->raise();
        editor->activateWindow();
    }
}

void TfNudgewick::postPendingEdit()
{
    if (m_dm.qTasks.state() == Query::State::Edit || m_dm.qTasks.state() == Query::State::Insert)
        m_dm.qTasks.post();
}
