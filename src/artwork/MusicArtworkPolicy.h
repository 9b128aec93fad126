#pragma once

#include "platform/net/HttpClient.h"

#include <QUrl>

#include <optional>

/// Rules shared by every cover download.
namespace MusicArtworkPolicy {

/// True for a 200 response from an allowed cover address that announces at
/// most 2 MiB and is labelled JPEG, PNG or WebP.
bool accepts(const HttpResponseHead &response);

/// The address validated by the Spotify rule or, failing that, the YouTube
/// or the Apple Music rule; none when all refuse.
std::optional<QUrl> validatedURL(const QUrl &url);

/// Whose cover an address is; a redirect never leaves its family.
enum class Family
{
    none,
    spotify,
    youTube,
    appleMusic
};
Family family(const QUrl &url);

} // namespace MusicArtworkPolicy
