#pragma once

#include "toolkit/ResumeNotifier.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class AlarmScan;
class Clock;
class DesktopPrompts;
class MissedAlarms;
class ScanTimer;
class PopupPacing;
class PopupSnooze;
class PromptAnswers;
class Prompter;
class QAction;
class QTimer;
class SoundPlayer;
class TDM;
class TMSNPopUp;
struct AppState;

// The reminder as a whole: the alarm scan on the alarm timer, the answers to
// a click on a notification, the popup pacing and the alarm sound, connected
// to the main window's timers, action and notification component. Every
// handler it connects reports its errors through the prompter.
class AlarmEngine : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        TDM &dm;
        AppState &state;
        const Clock &clock;
        Prompter &prompter;
        TMSNPopUp &popup;
        QTimer &tPopup;
        QTimer &tDisablePopups;
        QTimer &tPopupInterval;
        QAction &aDisablePopups;
        QString settingsFile;
        std::unique_ptr<SoundPlayer> sound;
        // True when a task editor is open on the task with this ID.
        std::function<bool(qint64 id)> editorOpenOn;
        // The editor in prompt mode on AppState::PromptedTaskID.
        std::function<void()> openPrompt;
        // The silent update check; it is started after the scan's pass.
        std::function<void()> updateCheck;
        // Reports a resume from suspend; none: the clock alone tells.
        std::unique_ptr<ResumeNotifier> resume = {};
        // Milliseconds of a clock that does not jump (none: the system's).
        std::function<qint64()> monotonic = {};
    };

    explicit AlarmEngine(Parts parts, QObject *parent = nullptr);
    ~AlarmEngine() override;

    AlarmScan &scan() const { return *m_scan; }
    // Done and the snooze of a prompt, and the guard that says whether a prompt still stands.
    PromptAnswers &answers() const { return *m_answers; }
    PopupSnooze &snooze() const { return *m_snooze; }
    PopupPacing &pacing() const { return *m_pacing; }
    SoundPlayer &sound() const { return *m_sound; }
    // Prompts through the desktop's notifications; it has no service until given one.
    DesktopPrompts &desktopPrompts() const { return *m_desktop; }
    MissedAlarms &missed() const { return *m_missed; }

    // One tick of the alarm timer: the clock-jump check, then the scan's
    // gate and pass, then the timer sleeps until a pass may be due.
    void tPopupTimer();

    // Closes the popups and desktop notifications whose task was completed,
    // deleted or given another alarm since they were shown. Reads the
    // database only when prompts are open and it may have changed.
    void closeStalePrompts();

private:

    AppState &m_state;
    TMSNPopUp &m_popup;
    Prompter &m_prompter;
    TDM &m_dm;
    std::unique_ptr<SoundPlayer> m_sound;
    std::unique_ptr<AlarmScan> m_scan;
    PromptAnswers *m_answers;
    PopupSnooze *m_snooze;
    PopupPacing *m_pacing;
    DesktopPrompts *m_desktop;
    MissedAlarms *m_missed;
    std::unique_ptr<ScanTimer> m_timer;
    std::unique_ptr<ResumeNotifier> m_resume;
    // The database as closeStalePrompts last checked the open prompts against it.
    std::optional<std::pair<qint64, qint64>> m_checkedStamp;
};
