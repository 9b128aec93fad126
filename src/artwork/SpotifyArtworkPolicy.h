#pragma once

#include "core/Clock.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QUrl>

#include <optional>

/// Rules for Spotify cover addresses and for cover bytes from any player.
namespace SpotifyArtworkPolicy {

/// Spotify's image host.
inline constexpr char kHost[] = "i.scdn.co";
/// Largest cover accepted, in bytes.
inline constexpr qint64 kMaxImageBytes = 2'097'152;
/// Largest picture accepted, in pixels per side.
inline constexpr int kMaxPixelsPerSide = 4096;
/// Longest side of the displayed cover, in pixels.
inline constexpr int kThumbnailSide = 160;

/// The canonical cover address ("https://i.scdn.co/image/" and the 40-digit
/// id in lower case) for an address as another program wrote it, or none.
std::optional<QUrl> validatedURL(const QString &address);
std::optional<QUrl> validatedURL(const QUrl &url);

/// The cover to display, at most 160 pixels on its longest side; a null
/// image when the bytes are not a small JPEG, PNG or WebP picture.
QImage thumbnail(const QByteArray &bytes);

/// Consecutive failed downloads counted for one address; the pause stops
/// growing there.
inline constexpr int kMaxArtworkFailures = 5;
/// The pause before the next download of an address that failed `failures`
/// times before this failure: 1, 2, 4, 8, 15, then 30 s.
Seconds retryDelay(int failures);

} // namespace SpotifyArtworkPolicy
