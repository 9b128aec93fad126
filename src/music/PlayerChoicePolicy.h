#pragma once

#include "players/model/MusicSource.h"

#include <QString>

#include <optional>

/// Rules for the MPRIS players besides the seven rows.
namespace PlayerChoicePolicy {

/// Spotify's name or one of its instances: its row follows it already.
bool isSpotifyName(const QString &busName);

/// The name shown for a player: its trimmed `Identity`, else its bus name
/// after "org.mpris.MediaPlayer2.".
QString displayName(const QString &identity, const QString &busName);

/// The browser row whose browser owns `busName`, a browser's own media
/// entry (`org.mpris.MediaPlayer2.chromium.instance…`, `…firefox…`, Brave's,
/// Edge's); none for any other player.
std::optional<MusicSource> browserRowOf(const QString &busName);

} // namespace PlayerChoicePolicy
