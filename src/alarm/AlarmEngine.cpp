#include "alarm/AlarmEngine.h"

#include "alarm/AlarmScan.h"
#include "alarm/DesktopPrompts.h"
#include "alarm/MissedAlarms.h"
#include "alarm/PopupPacing.h"
#include "alarm/PopupPrompts.h"
#include "alarm/PopupSnooze.h"
#include "alarm/PromptAnswers.h"
#include "alarm/ScanTimer.h"
#include "core/AppState.h"
#include "popup/MSNPopUp.h"
#include "store/DataModule.h"
#include "toolkit/ErrorReport.h"
#include "toolkit/ResumeNotifier.h"
#include "toolkit/SoundPlayer.h"

#include <QAction>
#include <QTimer>

AlarmEngine::AlarmEngine(Parts parts, QObject *parent)
    : QObject(parent),
      m_state(parts.state),
      m_popup(parts.popup),
      m_prompter(parts.prompter),
      m_dm(parts.dm),
      m_sound(std::move(parts.sound)),
      m_resume(std::move(parts.resume))
{
    // The update check is queued, so a pass never waits for it.
    std::function<void()> updateCheck;
    if (parts.updateCheck) {
        updateCheck = [this, check = parts.updateCheck] {
            QTimer::singleShot(0, this, [this, check] { guarded(m_prompter, check); });
        };
    }
    m_answers = new PromptAnswers(parts.dm, parts.state, parts.clock, this);
    m_snooze = new PopupSnooze(parts.state, parts.settingsFile, parts.openPrompt, *m_answers, this);
    m_missed = new MissedAlarms(parts.state, parts.popup, *m_snooze, *m_sound, parts.prompter, this);
    if (m_resume)
        m_missed->watch(*m_resume);
    m_scan = std::make_unique<AlarmScan>(
        parts.dm, parts.state, parts.clock, parts.popup, *m_sound, parts.prompter,
        AlarmScan::Hooks{parts.editorOpenOn, updateCheck,
                         [this](const QList<DueTask> &due) { return m_missed->collected(due); },
                         [this](const QList<DueTask> &refused) { m_missed->overflowed(refused); }});
    m_pacing = new PopupPacing(parts.tPopup, parts.tDisablePopups, parts.tPopupInterval, parts.aDisablePopups,
                               parts.popup, this);
    m_desktop = new DesktopPrompts(parts.state, parts.prompter, *m_snooze, parts.popup, this);
    m_scan->setPromptRoute(m_desktop);
    // "Disable Popups" takes the desktop's notifications away too.
    connect(&parts.aDisablePopups, &QAction::triggered, m_desktop, [this](bool disabled) {
        if (disabled)
            m_desktop->closeAll();
    });

    // The alarm timer sleeps until a pass may be due; a request wakes it.
    m_timer = std::make_unique<ScanTimer>(parts.tPopup, parts.clock, std::move(parts.monotonic));
    m_state.wakeScan = [this] { m_timer->wake(); };
    connect(&parts.tPopup, &QTimer::timeout, this, &AlarmEngine::tPopupTimer);
    // A click on a popup answers the prompt it shows, and only while that
    // still stands; opening the task is always allowed.
    connect(&parts.popup, &TMSNPopUp::OnTextClick, this, [this](QObject *sender, const QString &url) {
        guarded(m_prompter, [&] {
            if (const std::optional<PromptKey> key = PopupPrompts::promptOf(m_popup, sender, url))
                m_snooze->MSNPopUpTextClick(*key);
        });
    });
    connect(&parts.popup, &TMSNPopUp::OnURLClick, this, [this](QObject *, const QString &url) {
        guarded(m_prompter, [&] { m_snooze->MSNPopUpURLClick(url); });
    });
    connect(&parts.popup, &TMSNPopUp::OnButtonClick, this,
            [this](QObject *sender, const QString &url, const QString &action) {
                guarded(m_prompter, [&] {
                    if (action == PopupSnooze::OpenAnswer)
                        m_snooze->MSNPopUpURLClick(url);
                    else if (const std::optional<PromptKey> key = PopupPrompts::promptOf(m_popup, sender, url))
                        m_snooze->answer(*key, action);
                });
            });
    // A change of the tasks in this program closes the prompts it made stale at once.
    connect(&parts.dm, &TDM::taskListRequeried, this, [this] { guarded(m_prompter, [this] { closeStalePrompts(); }); });
}

AlarmEngine::~AlarmEngine()
{
    m_state.wakeScan = nullptr;
}

void AlarmEngine::tPopupTimer()
{
    const qint64 jump = m_timer->tickStarted();
    guarded(m_prompter, [this, jump] {
        closeStalePrompts();
        if (jump)
            m_missed->gapNoticed();
        if (m_scan->tPopupTimer())
            m_pacing->passEnded();
    });
    // Quick ticks while a notification shows (a pass runs as soon as one
    // has gone) or a pass is asked for; else to the next quarter or the
    // next alarm, whichever comes first, and never past the next alarm.
    m_timer->tickEnded(m_popup.openCount() > 0 || m_desktop->openCount() > 0 || m_state.ScanPending,
                       m_scan->nextAlarm());
}

void AlarmEngine::closeStalePrompts()
{
    if (m_popup.openCount() == 0 && m_desktop->openCount() == 0) {
        m_checkedStamp.reset();
        return;
    }
    if (!m_dm.ADOConnection.isOpen())
        return;
    // Nothing can have gone stale while the database stayed as it was at
    // the last check (writes by this program and by others both count).
    const Connection::ChangeStamp stamp = m_dm.ADOConnection.changeStamp();
    const std::pair<qint64, qint64> now{stamp.otherCommits, stamp.ownChanges};
    if (m_checkedStamp == now)
        return;
    m_checkedStamp = now;
    PopupPrompts::closeStale(m_popup, *m_answers);
    m_desktop->closeStale(*m_answers);
}
