#pragma once

#include <QSet>
#include <QString>
#include <QUrl>

#include <optional>

/// Rules for YouTube Music thumbnail addresses.
namespace YouTubeArtworkPolicy {

/// Longest accepted address, in UTF-8 bytes.
inline constexpr qsizetype kMaxAddressBytes = 2048;

/// The allowed image hosts: Google user-content and photo-content hosts and
/// YouTube's video-thumbnail host.
const QSet<QString> &hosts();

/// The address unchanged when it is an allowed thumbnail address, else none.
/// Scheme and host are compared as written, so pass the text another
/// program reported.
std::optional<QUrl> validatedURL(const QString &address);
std::optional<QUrl> validatedURL(const QUrl &url);

} // namespace YouTubeArtworkPolicy
