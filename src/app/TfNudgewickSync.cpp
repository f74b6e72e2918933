// The main window's part of sync: the "Sync Now" command, the sync state in
// the status bar, the start-up pass and the task list read again after a
// pass changed tasks. SyncControl does the work; the window wires it.

#include "app/TfNudgewick.h"

#include "app/SyncControl.h"
#include "core/AppState.h"
#include "settings/ProfileFile.h"
#include "store/DataModule.h"
#include "sync/SyncSettings.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
// How soon a list change of a pass is tried again while the user is still
// typing into the grid.
constexpr int RequeryRetryMs = 1000;
} // namespace

void TfNudgewick::createSync()
{
    m_sync = new SyncControl(m_prompter, m_clock, m_state.Formats, m_dataFolder, this);
    m_sync->setObjectName(u"SyncControl"_s);

    aSyncNow = new QAction(tr("S&ync Now"), this);
    aSyncNow->setObjectName(u"aSyncNow"_s);
    aSyncNow->setShortcut(QKeySequence(Qt::Key_F9));
    aSyncNow->setToolTip(tr("Bring the tasks in step with the CalDAV server now"));
    aSyncNow->setStatusTip(aSyncNow->toolTip());
    // Shown once a runner is there to sync with.
    aSyncNow->setVisible(false);
    addAction(aSyncNow);
    connect(aSyncNow, &QAction::triggered, this, [this] { guard([this] { aSyncNowExecute(); }); });

    m_syncPanel = new QLabel(statusBar());
    m_syncPanel->setObjectName(u"sbSync"_s);
    m_syncPanel->setFrameShape(QFrame::StyledPanel);
    m_syncPanel->hide();
    statusBar()->addPermanentWidget(m_syncPanel);
    connect(m_sync, &SyncControl::statusChanged, this, &TfNudgewick::showSyncStatus);
    connect(m_sync, &SyncControl::tasksChanged, this, [this] { guard([this] { syncTasksChanged(); }); });

    m_syncRequery = new QTimer(this);
    m_syncRequery->setSingleShot(true);
    m_syncRequery->setInterval(RequeryRetryMs);
    connect(m_syncRequery, &QTimer::timeout, this, [this] { guard([this] { syncTasksChanged(); }); });
}

void TfNudgewick::setSyncRunner(tasksync::SyncRunner *runner)
{
    m_sync->setRunner(runner);
    aSyncNow->setVisible(runner != nullptr);
}

// Start-up: the account of the settings file; the first pass follows once
// the window has settled.
void TfNudgewick::startSync()
{
    m_sync->start(tasksync::readAccount(ProfileFile(settingsFile())));
}

void TfNudgewick::aSyncNowExecute()
{
    if (!m_sync->runner())
        return;
    if (!m_sync->configured()) {
        Settings2Click(u"tsSync"_s);
        return;
    }
    m_sync->syncNow();
}

void TfNudgewick::showSyncStatus()
{
    m_syncPanel->setText(m_sync->statusText());
    m_syncPanel->setToolTip(m_sync->statusToolTip());
    m_syncPanel->setVisible(!m_sync->statusText().isEmpty());
}

// A pass changed tasks: the list is read again (the current task stays
// current), with the value lists, the calendar's marks and the alarms. A
// change being typed into the grid is not thrown away for it: the list
// waits until that change is written or dropped.
void TfNudgewick::syncTasksChanged()
{
    if (m_shutDown)
        return;
    const Query::State state = m_dm.qTasks.state();
    if (state == Query::State::Edit || state == Query::State::Insert) {
        m_syncRequery->start();
        return;
    }
    m_dm.RequeryTaskList();
    m_state.requestScan();
    emit tasksChanged();
}
