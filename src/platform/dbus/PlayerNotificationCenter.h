#pragma once

#include "core/CancelHandle.h"

#include <QString>

#include <functional>

/// The broadcasts players send when their playback changes, by name (for
/// example "com.spotify.client.PlaybackStateChanged"). Main thread.
class PlayerNotificationCenter
{
public:
    virtual ~PlayerNotificationCenter() = default;

    /// Calls `callback` for every broadcast named `name`, from any sender,
    /// until the returned handle is cancelled or destroyed. The broadcast's
    /// contents are not passed on.
    [[nodiscard]] virtual CancelHandle observe(const QString &name,
                                               std::function<void()> callback) = 0;

    /// The process-wide center of this system, created on first use on the
    /// main thread (a QCoreApplication must exist) and owned by the
    /// application object.
    static PlayerNotificationCenter &shared();
};
