#pragma once

#include "players/model/LyricsTrack.h"
#include "players/model/MusicSource.h"

#include <QString>

#include <optional>

/// The rules of a track-guarded seek: a position meant for one song must
/// never move the playhead of another.
namespace SeekPolicy {

/// What proves that the player still plays the song.
enum class Guard
{
    playbackID, // Apple Music's persistent identifier
    spotifyURI, // Spotify's track link
    metadata,   // title, artist, album and a duration within 1 s
};

/// The guard for `track` on `source`: the playback identifier on Apple Music
/// when the track has one, else the Spotify link when it has one, else the
/// metadata.
Guard guard(MusicSource source, const LyricsTrack &track);

/// True when the player's metadata is `track`'s: equal texts and a duration
/// within 1 s of the track's whole seconds.
bool matches(const LyricsTrack &track, const QString &title, const QString &artist,
             const QString &album, double durationSeconds);

/// `position` clamped into the song; none when the position is not finite or
/// the duration is not finite and positive.
std::optional<double> target(double position, double durationSeconds);

/// The position a scrub `fraction` of the song points at, with the fraction
/// limited to 0...1; none when the fraction is not finite or the duration is
/// not finite and positive.
std::optional<double> position(double fraction, double durationSeconds);

} // namespace SeekPolicy
