#pragma once

#include "core/CancelHandle.h"
#include "core/Clock.h"

#include <functional>

/// Runs callbacks later on the main thread. Every delay of the program goes
/// through here so that tests can replace real time with virtual time.
class Scheduler
{
public:
    virtual ~Scheduler() = default;

    /// Calls `callback` once after `delay`. The callback never runs once the
    /// returned handle has been cancelled, replaced or destroyed.
    [[nodiscard]] virtual CancelHandle after(Seconds delay, std::function<void()> callback) = 0;

    /// Calls `callback` every `interval` until the handle is cancelled.
    /// `tolerance` is how late a tick may be allowed to fire to save power.
    [[nodiscard]] virtual CancelHandle every(Seconds interval, Seconds tolerance,
                                             std::function<void()> callback) = 0;
};
