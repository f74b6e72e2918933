#include "alarm/ScanTimer.h"

#include "core/Clock.h"
#include "core/Logging.h"

#include <QTimer>

#include <algorithm>

namespace {
constexpr qint64 QuarterMs = 15000;
// The timer is armed a little past the quarter, so the tick reads the new
// quarter even when the wall clock runs a hair behind the monotonic one.
constexpr int MarginMs = 20;
} // namespace

ScanTimer::ScanTimer(QTimer &tPopup, const Clock &clock, Monotonic monotonic)
    : m_timer(tPopup), m_clock(clock), m_monotonic(std::move(monotonic))
{
    if (!m_monotonic) {
        m_elapsed.start();
        m_monotonic = [this] { return m_elapsed.elapsed(); };
    }
    // One shot per sleep, armed after each tick; a coarse timer could wake
    // before the quarter and need a second wake-up.
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
}

int ScanTimer::msecsToNextQuarter(DateTime now)
{
    return int(QuarterMs - now.msecsOfDay() % QuarterMs);
}

qint64 ScanTimer::tickStarted()
{
    // The single shot has just fired, so the timer is running again here.
    m_timer.start(PollMs);

    const qint64 wall = m_clock.msecsSinceEpoch();
    const qint64 monotonic = m_monotonic();
    qint64 jump = 0;
    if (m_checked) {
        const qint64 drift = (wall - m_lastWall) - (monotonic - m_lastMonotonic);
        if (drift > JumpToleranceMs || drift < -JumpToleranceMs)
            jump = drift;
    }
    m_checked = true;
    m_lastWall = wall;
    m_lastMonotonic = monotonic;
    if (jump)
        qCDebug(lcAlarm) << "the clock jumped by" << jump / 1000 << "s";
    return jump;
}

int ScanTimer::sleepMs(DateTime now, DateTime nextAlarm)
{
    qint64 ms = msecsToNextQuarter(now);
    if (!nextAlarm.isZero()) {
        const qint64 toAlarm = (nextAlarm.dayNumber() - now.dayNumber()) * 86400000
            + nextAlarm.msecsOfDay() - now.msecsOfDay();
        ms = std::clamp<qint64>(toAlarm, 0, ms);
    }
    return int(ms) + MarginMs;
}

void ScanTimer::tickEnded(bool fast, DateTime nextAlarm)
{
    const int sleep = sleepMs(m_clock.now(), nextAlarm);
    arm(fast ? std::min(sleep, PollMs) : sleep);
}

void ScanTimer::wake()
{
    // A stopped timer (start-up, popup pacing, the settings dialog) ticks
    // a second after it is started, as the one-second timer always did.
    if (m_timer.isActive())
        m_timer.start(0);
    else
        m_timer.setInterval(PollMs);
}

void ScanTimer::arm(int ms)
{
    if (m_timer.isActive())
        m_timer.start(ms);
    else
        m_timer.setInterval(ms);
}
