#include "alarm/AlarmEngine.h"

#include "alarm/AlarmScan.h"
#include "alarm/DesktopPrompts.h"
#include "alarm/PopupPacing.h"
#include "alarm/PopupSnooze.h"
#include "popup/MSNPopUp.h"
#include "toolkit/ErrorReport.h"
#include "toolkit/SoundPlayer.h"

#include <QAction>
#include <QTimer>

AlarmEngine::AlarmEngine(Parts parts, QObject *parent)
    : QObject(parent), m_prompter(parts.prompter), m_sound(std::move(parts.sound))
{
    // The update check is queued, so a pass never waits for it.
    std::function<void()> updateCheck;
    if (parts.updateCheck) {
        updateCheck = [this, check = parts.updateCheck] {
            QTimer::singleShot(0, this, [this, check] { guarded(m_prompter, check); });
        };
    }
    m_scan = std::make_unique<AlarmScan>(parts.dm, parts.state, parts.clock, parts.popup, *m_sound, parts.prompter,
                                         AlarmScan::Hooks{parts.editorOpenOn, updateCheck});
    m_snooze = new PopupSnooze(parts.dm, parts.state, parts.clock, parts.settingsFile, parts.openPrompt, this);
    m_pacing = new PopupPacing(parts.tPopup, parts.tDisablePopups, parts.tPopupInterval, parts.aDisablePopups,
                               parts.popup, this);
    m_desktop = new DesktopPrompts(parts.dm, parts.state, parts.prompter, *m_snooze, parts.popup, this);
    m_scan->setPromptRoute(m_desktop);
    // "Disable Popups" takes the desktop's notifications away too.
    connect(&parts.aDisablePopups, &QAction::triggered, m_desktop, [this](bool disabled) {
        if (disabled)
            m_desktop->closeAll();
    });

    connect(&parts.tPopup, &QTimer::timeout, this, [this] {
        guarded(m_prompter, [this] {
            if (m_scan->tPopupTimer())
                m_pacing->passEnded();
        });
    });
    connect(&parts.popup, &TMSNPopUp::OnTextClick, this, [this](QObject *, const QString &url) {
        guarded(m_prompter, [&] { m_snooze->MSNPopUpTextClick(url); });
    });
    connect(&parts.popup, &TMSNPopUp::OnURLClick, this, [this](QObject *, const QString &url) {
        guarded(m_prompter, [&] { m_snooze->MSNPopUpURLClick(url); });
    });
}

AlarmEngine::~AlarmEngine() = default;
