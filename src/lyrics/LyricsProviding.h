#pragma once

#include "core/CancelHandle.h"
#include "lyrics/LyricsFailure.h"
#include "players/model/LyricsTrack.h"

#include <QObject>

#include <functional>

/// Where the lyrics controller gets lyrics from.
class LyricsProviding
{
public:
    using Completion = std::function<void(LyricsResult)>;

    virtual ~LyricsProviding() = default;

    /// Looks up the lyrics of `track` without blocking the caller.
    /// `completion` runs once on the main thread (where the provider and
    /// `context` live), unless `context` is gone by then. Cancelling or dropping the returned
    /// handle cancels the lookup: it then completes with `LyricsFailure::Kind::cancelled` as soon
    /// as the transfer notices.
    virtual CancelHandle lyrics(const LyricsTrack &track, QObject *context,
                                Completion completion) = 0;
};
