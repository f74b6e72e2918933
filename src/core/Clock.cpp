#include "core/Clock.h"

DateTime SystemClock::now() const
{
    return DateTime::fromQDateTime(QDateTime::currentDateTime());
}

qint64 SystemClock::msecsSinceEpoch() const
{
    return QDateTime::currentMSecsSinceEpoch();
}
