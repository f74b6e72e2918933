#include "alarm/MissedAlarms.h"

#include "alarm/PopupSnooze.h"
#include "alarm/TfMissedAlarms.h"
#include "core/AppState.h"
#include "core/Logging.h"
#include "popup/MSNPopUp.h"
#include "toolkit/ErrorReport.h"
#include "toolkit/ResumeNotifier.h"
#include "toolkit/SoundPlayer.h"

#include <algorithm>

namespace {
std::pair<qint64, qint64> lateKey(const DueTask &task)
{
    return {task.id, task.alarm.dayNumber() * 86400000 + task.alarm.msecsOfDay()};
}
} // namespace

MissedAlarms::MissedAlarms(AppState &state, const TMSNPopUp &popup, PopupSnooze &snooze, SoundPlayer &sound,
                           Prompter &prompter, QObject *parent)
    : QObject(parent), m_state(state), m_popup(popup), m_snooze(snooze), m_sound(sound), m_prompter(prompter)
{
}

MissedAlarms::~MissedAlarms()
{
    delete m_window;
}

TfMissedAlarms *MissedAlarms::window() const
{
    return m_window;
}

bool MissedAlarms::windowOpen() const
{
    return m_window && m_window->isVisible();
}

void MissedAlarms::watch(ResumeNotifier &notifier)
{
    connect(&notifier, &ResumeNotifier::resumed, this, [this] { guarded(m_prompter, [this] { gapNoticed(); }); });
}

void MissedAlarms::gapNoticed()
{
    qCDebug(lcAlarm) << "alarms may have been missed; scanning now";
    m_afterGap = true;
    m_state.requestScan();
}

QList<DueTask> MissedAlarms::collected(const QList<DueTask> &due)
{
    const bool afterGap = m_afterGap;
    m_afterGap = false;
    if (afterGap) {
        m_listedLate.clear();
        m_listedOverflow.clear();
    }
    // Tasks the open window shows are answered there.
    QList<DueTask> open;
    for (const DueTask &task : due) {
        if (!windowOpen() || !std::any_of(m_listed.cbegin(), m_listed.cend(),
                                          [&](const DueTask &listed) { return listed.id == task.id; }))
            open.append(task);
    }
    DigestSplit split = splitForDigest(open, afterGap, m_state.DigestThreshold, m_popup.stackCapacity(),
                                       [this](const DueTask &task) { return m_listedLate.contains(lateKey(task)); });
    if (!split.listed.isEmpty())
        list(split.listed);
    return split.prompted;
}

void MissedAlarms::overflowed(const QList<DueTask> &refused)
{
    QList<DueTask> tasks;
    for (const DueTask &task : refused) {
        if (!m_listedOverflow.contains(lateKey(task)))
            tasks.append(task);
    }
    if (tasks.isEmpty())
        return;
    for (const DueTask &task : std::as_const(tasks))
        m_listedOverflow.insert(lateKey(task));
    qCDebug(lcAlarm) << tasks.size() << "tasks found the popup stack full";
    list(tasks);
}

void MissedAlarms::list(const QList<DueTask> &tasks)
{
    for (const DueTask &task : tasks) {
        if (task.late)
            m_listedLate.insert(lateKey(task));
    }
    qCDebug(lcAlarm) << tasks.size() << "tasks listed as missed";

    if (windowOpen()) {
        m_listed += tasks;
        m_window->setTasks(m_listed, m_state.Formats);
        m_window->raise();
        m_sound.play(m_state.AlarmFile);
        return;
    }
    m_listed = tasks;
    // One window for the whole list; it closes itself and goes when closed.
    auto *window = new TfMissedAlarms;
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_window = window;
    window->setTasks(m_listed, m_state.Formats);
    connect(window, &TfMissedAlarms::openRequested, this,
            [this](qint64 id) { guarded(m_prompter, [this, id] { openTask(id); }); });
    connect(window, &TfMissedAlarms::snoozeAllRequested, this, [this] { guarded(m_prompter, [this] { snoozeAll(); }); });
    connect(window, &QDialog::finished, this, [this] { guarded(m_prompter, [this] { windowClosed(); }); });
    window->show();
    window->raise();
    window->activateWindow();
    m_sound.play(m_state.AlarmFile);
}

void MissedAlarms::openTask(qint64 id)
{
    // The row goes first: the task is in the editor now, and whatever the
    // editor leaves due is prompted again as usual.
    m_listed.removeIf([id](const DueTask &task) { return task.id == id; });
    if (m_window) {
        m_window->removeTask(id);
        if (m_window->taskIds().isEmpty())
            m_window->accept();
    }
    m_snooze.MSNPopUpURLClick(QString::number(id));
}

void MissedAlarms::snoozeAll()
{
    if (!m_window)
        return;
    const QList<qint64> ids = m_window->taskIds();
    // The window closes even when a snooze fails; the failure is reported.
    struct Close {
        QPointer<TfMissedAlarms> window;
        ~Close()
        {
            if (window)
                window->accept();
        }
    } close{m_window};
    for (const qint64 id : ids) {
        const auto listed = std::find_if(m_listed.cbegin(), m_listed.cend(),
                                         [id](const DueTask &task) { return task.id == id; });
        // A task changed since it was listed is left as it is; a skipped
        // task has moved on to its next occurrence: nothing to snooze.
        if (listed != m_listed.cend() && !listed->skipped())
            m_snooze.snoozeTask({id, listed->storedAlarm});
    }
}

void MissedAlarms::windowClosed()
{
    m_listed.clear();
    // The tasks left alone are prompted again by the usual rules.
    m_state.requestScan();
}
