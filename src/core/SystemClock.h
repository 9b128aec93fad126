#pragma once

#include "core/Clock.h"

/// The real clocks: steady for durations, system time for dates.
class SystemClock final : public Clock
{
public:
    Seconds now() const override;
    QDateTime wallNow() const override;

    /// The process-wide instance used in production.
    static SystemClock &shared();
};
