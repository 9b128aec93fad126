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
/// rule; none when both refuse.
std::optional<QUrl> validatedURL(const QUrl &url);

} // namespace MusicArtworkPolicy
