#pragma once

#include "core/DateTime.h"

// "Now" for the whole program. Everything that compares against the present
// asks a Clock it was handed, so tests can set the time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;
    // The same moment as milliseconds since 1970 UTC, which do not move when
    // local time changes for daylight saving; by default derived from now().
    virtual qint64 msecsSinceEpoch() const { return now().toQDateTime().toMSecsSinceEpoch(); }
};

// The local wall clock.
class SystemClock final : public Clock
{
public:
    DateTime now() const override;
    qint64 msecsSinceEpoch() const override;
};

// A clock that stands still until it is set or advanced.
class FixedClock final : public Clock
{
public:
    explicit FixedClock(DateTime now = DateTime()) : m_now(now) {}
    DateTime now() const override { return m_now; }
    void set(DateTime now) { m_now = now; }
    void set(const QDateTime &now) { m_now = DateTime::fromQDateTime(now); }
    void advanceSeconds(qint64 seconds)
    {
        m_now = DateTime::fromParts(m_now.dayNumber(), m_now.msecsOfDay() + seconds * 1000);
    }

private:
    DateTime m_now;
};
