#pragma once

#include <QDateTime>

#include <chrono>

/// Seconds as the system measures every delay and duration.
using Seconds = std::chrono::duration<double>;

/// The one source of time. Production reads the system clocks; tests inject
/// a virtual clock so that timing rules are checked without sleeping.
class Clock
{
public:
    virtual ~Clock() = default;

    /// Monotonic time since an arbitrary origin; never goes backwards.
    virtual Seconds now() const = 0;

    /// Wall-clock time in UTC, for values that are stored or shown.
    virtual QDateTime wallNow() const = 0;
};
