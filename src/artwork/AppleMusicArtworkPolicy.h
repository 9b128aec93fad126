#pragma once

#include <QString>
#include <QUrl>

#include <optional>

/// Rules for the cover addresses of Apple Music's web player, served by
/// Apple's artwork hosts. Those addresses name the size they are asked at,
/// often as a template ("…/{w}x{h}bb.jpg") the player fills in.
namespace AppleMusicArtworkPolicy {

/// Longest accepted address, in UTF-8 bytes.
inline constexpr qsizetype kMaxAddressBytes = 2048;
/// The side at which the crest draws a cover, in points.
inline constexpr int kCoverPoints = 76;

/// The pixels to ask for a cover drawn at `kCoverPoints` on a display of
/// `devicePixelRatio`: rounded up, at least 1, at most the thumbnail side.
int coverSide(double devicePixelRatio);

/// True for one of Apple's artwork hosts: one label of lower-case letters,
/// digits and hyphens under "mzstatic.com".
bool isArtworkHost(const QString &host);

/// The address unchanged when it is an allowed cover address: https, an
/// artwork host (both as written), port absent or 443, no user, query or
/// fragment, a path other than "/" with no template left in it; else none.
std::optional<QUrl> validatedURL(const QString &address);
std::optional<QUrl> validatedURL(const QUrl &url);

/// The cover `side` pixels square: the size template filled in ("{w}" and
/// "{h}" with the side, "{c}" with "bb", "{f}" with "jpg"), or else a size
/// already at the start of the last path segment ("600x600bb.jpg")
/// replaced; then validated as above.
std::optional<QUrl> sizedURL(const QString &address, int side);

} // namespace AppleMusicArtworkPolicy
