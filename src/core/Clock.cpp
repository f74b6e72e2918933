#include "core/Clock.h"

DateTime SystemClock::now() const
{
    return DateTime::fromQDateTime(QDateTime::currentDateTime());
}
