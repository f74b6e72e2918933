#pragma once

#include "alarm/DueTask.h"

#include <QObject>
#include <QPointer>
#include <QSet>

#include <memory>

class PopupSnooze;
class Prompter;
class ResumeNotifier;
class SoundPlayer;
class TfMissedAlarms;
class TMSNPopUp;
struct AppState;

// Missed alarms as one case of their own. After a gap in which alarms may
// have been missed (the program's start, a resume from suspend, a jump of
// the clock) the next pass runs at once, and when it finds more due tasks
// than the popup stack holds or than the "digest threshold" allows, they are
// listed in one "While you were away" window instead of a flood of popups.
// Alarms later than the "skip" limit whose tasks do not repeat are listed
// there too, never popped up; those whose tasks repeat are moved on by the
// scan and listed as skipped, with their next alarm; and so are tasks that
// come due while the popup stack is full. The window's Open and "Snooze all"
// go through the notification's own answers ("Snooze all" leaves skipped
// tasks be); whatever the user leaves alone is prompted again as usual once
// the window has closed.
class MissedAlarms : public QObject
{
    Q_OBJECT
public:
    MissedAlarms(AppState &state, const TMSNPopUp &popup, PopupSnooze &snooze, SoundPlayer &sound,
                 Prompter &prompter, QObject *parent = nullptr);
    ~MissedAlarms() override;

    // Treats every resume the notifier reports as a gap.
    void watch(ResumeNotifier &notifier);
    // Alarms may have been missed: the next pass runs at once and counts
    // as one after a gap.
    void gapNoticed();
    bool afterGap() const { return m_afterGap; }

    // The scan's hook for the tasks a pass is about to prompt: lists those
    // the window takes and returns the others. While the window is open its
    // tasks are not popped up; tasks that come due meanwhile are, as usual,
    // and a new gap adds its tasks to the open window.
    QList<DueTask> collected(const QList<DueTask> &due);
    // The scan's hook for the tasks the full popup stack had no room for:
    // they are listed, each alarm once (until the next gap); dismissed, such
    // a task pops up as soon as the stack has room again.
    void overflowed(const QList<DueTask> &refused);

    // The window while it is open.
    TfMissedAlarms *window() const;
    bool windowOpen() const;

private:
    void list(const QList<DueTask> &tasks);
    void openTask(qint64 id);
    void snoozeAll();
    void windowClosed();

    AppState &m_state;
    const TMSNPopUp &m_popup;
    PopupSnooze &m_snooze;
    SoundPlayer &m_sound;
    Prompter &m_prompter;
    bool m_afterGap = true; // starting the program is the first gap
    // Late tasks already listed, by ID and alarm time: not listed again
    // until the next gap.
    QSet<std::pair<qint64, qint64>> m_listedLate;
    // Tasks listed because the popup stack was full, by ID and alarm time.
    QSet<std::pair<qint64, qint64>> m_listedOverflow;
    QList<DueTask> m_listed; // in the open window
    QPointer<TfMissedAlarms> m_window;
};
