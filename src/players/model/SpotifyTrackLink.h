#pragma once

#include <QString>

#include <optional>

/// Recognises a Spotify track link ("spotify:track:" and a 22-character
/// alphanumeric id).
namespace SpotifyTrackLink {

/// The value unchanged when it is a track link, else none.
std::optional<QString> validatedURI(const std::optional<QString> &value);

} // namespace SpotifyTrackLink
