#include "players/model/LyricsTrack.h"

#include "core/Graphemes.h"
#include "players/model/PlayerSnapshot.h"
#include "players/model/SpotifyTrackLink.h"

#include <cmath>

LyricsTrack::LyricsTrack(QString title, QString artist, QString album, int duration,
                         std::optional<QString> spotifyURI, std::optional<QString> playbackID)
    : m_title(std::move(title)), m_artist(std::move(artist)), m_album(std::move(album)),
      m_duration(duration), m_spotifyURI(std::move(spotifyURI)), m_playbackID(std::move(playbackID))
{}

std::optional<LyricsTrack> LyricsTrack::from(const PlayerSnapshot &snapshot)
{
    // A file without tags has a title and nothing else; it is still a song
    // that can be seeked, though its lyrics cannot be looked up.
    if (snapshot.title.isEmpty())
        return std::nullopt;
    if (Graphemes::exceeds(snapshot.title, kMaxTextLength) ||
        Graphemes::exceeds(snapshot.artist, kMaxTextLength) ||
        Graphemes::exceeds(snapshot.album, kMaxTextLength))
        return std::nullopt;
    const double duration = snapshot.timing.duration;
    if (!std::isfinite(duration) || duration <= 0 || duration >= kMaxDurationSeconds)
        return std::nullopt;
    std::optional<QString> playbackID;
    if (snapshot.playbackID)
        playbackID = Graphemes::left(*snapshot.playbackID, kMaxTextLength);
    // std::round rounds halves away from zero.
    return LyricsTrack(snapshot.title, snapshot.artist, snapshot.album,
                       static_cast<int>(std::round(duration)),
                       SpotifyTrackLink::validatedURI(snapshot.spotifyURI), std::move(playbackID));
}

namespace {

size_t hashOptional(const std::optional<QString> &value, size_t seed)
{
    // Mixing in presence keeps "absent" apart from "present and empty".
    seed = qHashMulti(seed, value.has_value());
    return value ? qHash(*value, seed) : seed;
}

} // namespace

size_t qHash(const LyricsTrack &track, size_t seed) noexcept
{
    seed = qHashMulti(seed, track.title(), track.artist(), track.album(), track.duration());
    seed = hashOptional(track.spotifyURI(), seed);
    return hashOptional(track.playbackID(), seed);
}
