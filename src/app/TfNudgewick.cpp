#include "app/TfNudgewick.h"

#include "core/AppState.h"
#include "core/Logging.h"
#include "popup/MSNPopUp.h"
#include "store/DataModule.h"
#include "toolkit/ErrorReport.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
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
    createMenus();

    MSNPopUp = new TMSNPopUp(this);
    MSNPopUp->setObjectName(u"MSNPopUp"_s);
    MSNPopUp->applyMainWindowDesign();

    // On a small screen (or a large scale) the window never asks for more
    // than the screen offers.
    QSize available = DesignSize;
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        available = screen->availableGeometry().size();
    setMinimumSize(MinimumSize.boundedTo(available));
    resize(DesignSize.boundedTo(available));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // Esc is seen here before any control of the window.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { guard([this] { FormKeyDown(Qt::Key_Escape); }); });
}

TfNudgewick::~TfNudgewick() = default;

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

    m_dm.connectTo(QDir(m_dataFolder).filePath(u"Nudgewick.mdb"_s));

    m_state.UpdateCheckPending = false;
    bindTaskList();

    m_state.CheckedOccurrences.clear();
    m_state.CheckedCategories.clear();
    m_state.CheckedPriorities.clear();

    LoadSettings();
    m_statusPanels[0]->setText(m_state.ViewStateText);

    m_state.ScanPending = true;

    // The value lists and the last view: the task list is read once here.
    startViews();
    qCInfo(lcApp) << "started with" << m_dm.qTasks.recordCount() << "tasks from" << m_dataFolder;
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

void TfNudgewick::ShutDown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    tPopup->stop();
    // The program ends whatever happens to the settings.
    struct End {
        TfNudgewick *window;
        ~End() { emit window->ended(); }
    } end{this};
    SaveSettings();
    m_state.CheckedPriorities.clear();
    m_state.CheckedOccurrences.clear();
    m_state.CheckedCategories.clear();
    qCInfo(lcApp) << "shut down";
}

void TfNudgewick::WMQueryEndSession()
{
    m_state.ExitRequested = true;
}

void TfNudgewick::endSession()
{
    WMQueryEndSession();
    guard([this] { ShutDown(); });
    hide();
}

void TfNudgewick::commitSession()
{
    if (m_shutDown)
        return;
    // A change of the task list not yet written goes to the database first.
    guard([this] {
        if (m_dm.qTasks.state() == Query::State::Edit || m_dm.qTasks.state() == Query::State::Insert)
            m_dm.qTasks.post();
    });
    guard([this] { SaveSettings(); });
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

void TfNudgewick::ApplicationMinimize()
{
    // Hiding into the notification area needs the tray icon, which keeps the
    // way back to the window; without it the window stays minimised.
}

void TfNudgewick::aShowNudgewickExecute()
{
    // Back to a normal window, whatever state it was left in.
    setWindowState(Qt::WindowActive);
    showNormal();
    raise();
    activateWindow();
}

void TfNudgewick::OpenTaskEditor(TaskEditorMode mode)
{
    // The task editor is not part of the program yet.
    Q_UNUSED(mode);
}

void TfNudgewick::UpdateCheck(bool silent)
{
    // The update check is not part of the program yet.
    Q_UNUSED(silent);
    m_state.UpdateCheckPending = false;
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

void TfNudgewick::WindowItemClick(QAction *item)
{
    const auto editor = item->data().value<QPointer<QWidget>>();
    if (editor) {
        editor->raise();
        editor->activateWindow();
    }
}
