#include "core/SystemClock.h"

Seconds SystemClock::now() const
{
    return std::chrono::duration_cast<Seconds>(std::chrono::steady_clock::now().time_since_epoch());
}

QDateTime SystemClock::wallNow() const
{
    return QDateTime::currentDateTimeUtc();
}

SystemClock &SystemClock::shared()
{
    static SystemClock clock;
    return clock;
}
