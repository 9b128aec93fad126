#pragma once

#include "music/LyricsTrack.h"

#include <QMetaType>

#include <optional>

/// What a controller asks a bridge to do. Two commands are equal when the
/// kind and every value that belongs to it are equal.
class SpotifyCommand
{
public:
    enum class Kind
    {
        seek,
        volume,
        toggle,
        previous,
        next
    };

    SpotifyCommand() = default;

    /// Move the playhead to `position` seconds, but only if `track` is still
    /// the one playing.
    static SpotifyCommand seek(double position, LyricsTrack track);
    /// Set the player's volume (0 to 100).
    static SpotifyCommand volume(int level);
    /// Play if paused, pause if playing.
    static SpotifyCommand toggle() { return SpotifyCommand(Kind::toggle); }
    static SpotifyCommand previous() { return SpotifyCommand(Kind::previous); }
    static SpotifyCommand next() { return SpotifyCommand(Kind::next); }

    Kind kind() const { return m_kind; }
    /// Seek only.
    double position() const { return m_position; }
    /// Seek only.
    const std::optional<LyricsTrack> &track() const { return m_track; }
    /// Volume only.
    int level() const { return m_level; }

    friend bool operator==(const SpotifyCommand &, const SpotifyCommand &) = default;

private:
    explicit SpotifyCommand(Kind kind) : m_kind(kind) {}

    Kind m_kind = Kind::toggle;
    double m_position = 0;
    std::optional<LyricsTrack> m_track;
    int m_level = 0;
};

Q_DECLARE_METATYPE(SpotifyCommand)
