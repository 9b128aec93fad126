#include "players/model/SeekPolicy.h"

#include <algorithm>
#include <cmath>

namespace SeekPolicy {

Guard guard(MusicSource source, const LyricsTrack &track)
{
    if (source == MusicSource::appleMusic && track.playbackID())
        return Guard::playbackID;
    if (track.spotifyURI())
        return Guard::spotifyURI;
    return Guard::metadata;
}

bool matches(const LyricsTrack &track, const QString &title, const QString &artist,
             const QString &album, double durationSeconds)
{
    return title == track.title() && artist == track.artist() && album == track.album() &&
           std::abs(durationSeconds - track.duration()) <= 1;
}

std::optional<double> target(double position, double durationSeconds)
{
    if (!std::isfinite(position) || !std::isfinite(durationSeconds) || durationSeconds <= 0)
        return std::nullopt;
    return std::clamp(position, 0.0, durationSeconds);
}

std::optional<double> position(double fraction, double durationSeconds)
{
    if (!std::isfinite(fraction))
        return std::nullopt;
    return target(durationSeconds * std::clamp(fraction, 0.0, 1.0), durationSeconds);
}

} // namespace SeekPolicy
