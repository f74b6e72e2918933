#include "alarm/AlarmEngine.h"

#include "alarm/AlarmScan.h"
#include "alarm/DesktopPrompts.h"
#include "alarm/MissedAlarms.h"
#include "alarm/PopupPacing.h"
#include "alarm/PopupSnooze.h"
#include "alarm/PromptAnswers.h"
#include "alarm/ScanTimer.h"
#include "core/AppState.h"
#include "popup/MSNPopUp.h"
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
    m_snooze = new PopupSnooze(parts.dm, parts.state, parts.clock, parts.settingsFile, parts.openPrompt, this);
    m_missed = new MissedAlarms(parts.state, parts.popup, *m_snooze, *m_sound, parts.prompter, this);
    if (m_resume)
        m_missed->watch(*m_resume);
    m_scan = std::make_unique<AlarmScan>(
        parts.dm, parts.state, parts.clock, parts.popup, *m_sound, parts.prompter,
        AlarmScan::Hooks{parts.editorOpenOn, updateCheck,
                         [this](const QList<DueTask> &due) { return m_missed->collected(due); }});
    m_pacing = new PopupPacing(parts.tPopup, parts.tDisablePopups, parts.tPopupInterval, parts.aDisablePopups,
                               parts.popup, this);
    m_desktop = new DesktopPrompts(parts.state, parts.prompter, *m_snooze, *m_answers, parts.popup, this);
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
    connect(&parts.popup, &TMSNPopUp::OnTextClick, this, [this](QObject *, const QString &url) {
        guarded(m_prompter, [&] { m_snooze->MSNPopUpTextClick(url); });
    });
    connect(&parts.popup, &TMSNPopUp::OnURLClick, this, [this](QObject *, const QString &url) {
        guarded(m_prompter, [&] { m_snooze->MSNPopUpURLClick(url); });
    });
}

AlarmEngine::~AlarmEngine()
{
    m_state.wakeScan = nullptr;
}

void AlarmEngine::tPopupTimer()
{
    const qint64 jump = m_timer->tickStarted();
    guarded(m_prompter, [this, jump] {
        if (jump)
            m_missed->gapNoticed();
        if (m_scan->tPopupTimer())
            m_pacing->passEnded();
    });
    // Quick ticks while a notification shows or a pass is asked for (the
    // next one runs once the windows are gone); else to the next quarter
    // or the next alarm, whichever comes first.
    m_timer->tickEnded(m_popup.openCount() > 0 || m_desktop->openCount() > 0 || m_state.ScanPending,
                       m_scan->nextAlarm());
}
