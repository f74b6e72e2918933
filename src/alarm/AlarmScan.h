#pragma once

#include "alarm/DueTask.h"
#include "core/DateTime.h"
#include "store/Query.h"

#include <QSet>
#include <QHash>

#include <functional>

class Clock;
class Prompter;
class PromptRoute;
class SoundPlayer;
class TDM;
class TMSNPopUp;
struct AppState;

// The alarm scan: the alarm timer calls tPopupTimer, which on a new quarter
// minute, at the next alarm time, when a notification has gone (or at once
// when ScanPending is set) looks for open tasks whose alarm has come and
// prompts each one with a notification window and the alarm sound. On the
// way it applies the valid hours and days of hourly and daily tasks, keeps
// away from tasks that have an editor or a notification open (so a task and
// its alarm are never prompted twice at once, and an unanswered notification
// holds back no other task), and counts down auto-snooze, applying the
// task's final action when the count is spent. A task that the full popup
// stack cannot take is handed to the overflow hook (the missed-alarms list).
//
// The scan writes through statements of its own, so a task editor that holds
// the data module's single-task query keeps its row and state.
class AlarmScan
{
public:
    struct Hooks
    {
        // True when a task editor is open on the task with this ID.
        std::function<bool(qint64 id)> editorOpenOn;
        // Starts the silent update check; must return without waiting for it.
        std::function<void()> updateCheck;
        // Given the tasks a pass is about to prompt, in alarm order, takes
        // those it lists elsewhere (the missed-alarms window) and returns
        // the rest, which get a popup each.
        std::function<QList<DueTask>(const QList<DueTask> &)> collected;
        // Given the tasks of a pass that the popup stack had no room for,
        // in alarm order; they are listed elsewhere. None: they wait for
        // a later pass.
        std::function<void(const QList<DueTask> &)> overflowed;
    };

    AlarmScan(TDM &dm, AppState &state, const Clock &clock, TMSNPopUp &popup, SoundPlayer &sound,
              Prompter &prompter, Hooks hooks = {});

    // Another way to show prompts, tried before the popup; none by default.
    void setPromptRoute(PromptRoute *route) { m_route = route; }

    // One tick of the alarm timer. Returns true when a pass ran (also one
    // that ended in an error). Never throws: an error is reported, see below.
    bool tPopupTimer();

    // The pass itself, without the gate; throws Error when the database fails.
    void scan();

    // The earliest alarm of an open task that was still ahead at the end of
    // the last pass; zero when none was. The alarm timer wakes at it.
    DateTime nextAlarm() const { return m_nextAlarm; }

    // The tasks whose notification is on screen (a popup window, or a
    // prompt of the other way that is not yet closed or answered).
    QSet<qint64> promptsOnScreen() const;

    // How the valid hours and valid days of a task decide whether it may be
    // prompted at the moment now; true: not now.
    static bool outsideValidTimes(const QString &occurrence, const QString &validHours, const QString &validDays,
                                  DateTime now);

private:
    enum class Outcome { Prompt, Skip };
    Outcome autoSnooze(const Query &row, DateTime now, bool skip);
    bool applyOccurrence(const Query &row, DateTime *nextAlarm = nullptr);
    bool lateAlarm(const Query &row, DateTime now) const;
    bool prompt(const Query &row);
    void requeryTaskList();
    void readNextAlarm(DateTime now);

    TDM &m_dm;
    AppState &m_state;
    const Clock &m_clock;
    TMSNPopUp &m_popup;
    SoundPlayer &m_sound;
    Prompter &m_prompter;
    Hooks m_hooks;
    PromptRoute *m_route = nullptr;

    Query m_due;          // open tasks whose alarm has come, in alarm order
    Query m_snooze;       // moves one task's alarm and counts its auto-snooze down
    Query m_advance;      // moves one task to its next occurrence
    Query m_complete;     // marks one task complete
    Query m_delete;       // deletes one task
    Query m_next;         // the earliest alarm still ahead
    DateTime m_nextAlarm;           // what m_next read in the last pass
    QSet<qint64> m_onScreen;        // promptsOnScreen() at the last tick or pass
    QHash<qint64, DateTime> m_autoSnoozed; // alarms this pass moved by auto-snooze, by task ID
    qint64 m_lastQuarter = -1;      // the quarter minute of the last pass
    bool m_written = false;         // this pass changed a task
    bool m_requeryPending = false;  // the task list waits for an editor to close
    bool m_reporting = false;       // an error report of the scan is open
};
