#pragma once

#include "core/DateTime.h"

#include <QElapsedTimer>

#include <functional>

class Clock;
class QTimer;

// Lets the alarm timer sleep between the moments a pass can be due instead
// of waking every second. A pass is due at each new quarter minute, at the
// next alarm time, at once after requestScan(), and, while a notification is on screen, at the first
// tick after it has gone (polled every second, as the windows come and go,
// and still at the next alarm time when that comes first).
//
// The same wake-ups watch the wall clock against the monotonic clock: a
// difference of more than a minute between two ticks is a jump of the clock
// (set by hand or by time sync) or a suspend, which the monotonic clock does
// not count. Ticks are at most a quarter minute apart, so a jump is noticed
// within that time.
class ScanTimer
{
public:
    // How far wall and monotonic time may drift apart between two ticks
    // before it counts as a jump.
    static constexpr qint64 JumpToleranceMs = 60000;
    // While a notification is open the timer ticks this often.
    static constexpr int PollMs = 1000;

    using Monotonic = std::function<qint64()>;

    // monotonic: milliseconds of a clock that neither jumps nor counts a
    // suspend (by default the system's monotonic clock).
    ScanTimer(QTimer &tPopup, const Clock &clock, Monotonic monotonic = {});

    // At the start of a tick: keeps the timer running at the poll rate while
    // the pass runs (so a pass that waits in a message box goes on ticking, as
    // before). Returns the jump of the wall clock since the last tick in
    // milliseconds (negative: backwards), or 0 when there was none.
    qint64 tickStarted();
    // At the end of a tick: sleeps until the next moment a pass may be due,
    // the next quarter or nextAlarm (zero: none), whichever comes first;
    // fast (a notification is on screen) sleeps a poll at most.
    // A timer that the tick stopped (popup pacing, the settings dialog)
    // stays stopped but fires at that moment once it is started again.
    void tickEnded(bool fast, DateTime nextAlarm = {});

    // Wakes the running timer at once; a stopped one ticks a second after
    // it is started instead of sleeping to the quarter.
    void wake();

    // Milliseconds from now to the start of the next quarter minute.
    static int msecsToNextQuarter(DateTime now);
    // How long to sleep at now: to the next quarter or to nextAlarm (zero:
    // none), whichever is first, a little past it.
    static int sleepMs(DateTime now, DateTime nextAlarm);

private:
    void arm(int ms);

    QTimer &m_timer;
    const Clock &m_clock;
    Monotonic m_monotonic;
    QElapsedTimer m_elapsed;
    bool m_checked = false;
    qint64 m_lastWall = 0;
    qint64 m_lastMonotonic = 0;
};
