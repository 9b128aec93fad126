#pragma once

#include "core/Scheduler.h"

/// Production scheduler on Qt timers of the main thread's event loop. Timers
/// keep firing while a menu is open or a control is dragged, because Qt runs
/// nested loops through the same dispatcher.
class TimerScheduler final : public Scheduler
{
public:
    CancelHandle after(Seconds delay, std::function<void()> callback) override;
    CancelHandle every(Seconds interval, Seconds tolerance,
                       std::function<void()> callback) override;

    /// The process-wide instance used in production.
    static TimerScheduler &shared();
};
