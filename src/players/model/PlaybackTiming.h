#pragma once

#include <QMetaType>

/// The position of the playing song, in seconds.
struct PlaybackTiming
{
    double duration = 0; // 0 when unknown
    double elapsed = 0;  // 0 <= elapsed <= duration
    double progress = 0; // elapsed / duration, 0 when the duration is 0

    /// Timing from a duration in milliseconds and a position in seconds, as
    /// the scripting bridges report them: an unusable duration gives (0, 0, 0)
    /// and the position is clamped into the song.
    static PlaybackTiming fromMilliseconds(double durationMilliseconds, double positionSeconds);

    friend bool operator==(const PlaybackTiming &, const PlaybackTiming &) = default;
};

Q_DECLARE_METATYPE(PlaybackTiming)
