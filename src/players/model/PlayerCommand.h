#pragma once

#include "players/model/LyricsTrack.h"

#include <QMetaType>

#include <optional>

/// What a controller asks a bridge to do. Two commands are equal when the
/// kind and every value that belongs to it are equal.
class PlayerCommand
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

    PlayerCommand() = default;

    /// Move the playhead to `position` seconds, but only if `track` is still
    /// the one playing.
    static PlayerCommand seek(double position, LyricsTrack track);
    /// Set the player's volume (0 to 100).
    static PlayerCommand volume(int level);
    /// Play if paused, pause if playing.
    static PlayerCommand toggle() { return PlayerCommand(Kind::toggle); }
    static PlayerCommand previous() { return PlayerCommand(Kind::previous); }
    static PlayerCommand next() { return PlayerCommand(Kind::next); }

    Kind kind() const { return m_kind; }
    /// Seek only.
    double position() const { return m_position; }
    /// Seek only.
    const std::optional<LyricsTrack> &track() const { return m_track; }
    /// Volume only.
    int level() const { return m_level; }

    friend bool operator==(const PlayerCommand &, const PlayerCommand &) = default;

private:
    explicit PlayerCommand(Kind kind) : m_kind(kind) {}

    Kind m_kind = Kind::toggle;
    double m_position = 0;
    std::optional<LyricsTrack> m_track;
    int m_level = 0;
};

Q_DECLARE_METATYPE(PlayerCommand)
