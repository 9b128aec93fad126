#pragma once

#include "players/model/PlayerBridging.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

/// The program that reads and controls the YouTube Music player inside its
/// page, the rule that builds the action it is called with, and the rule
/// that decodes the page's reply.
namespace YouTubePlayback {

/// Longest reply accepted from a page, in bytes.
inline constexpr qsizetype kMaxReplyBytes = 65'536;
/// Longest title, artist and album kept, in user-perceived characters.
inline constexpr qsizetype kMaxTextLength = 500;

inline constexpr char kWebOrigin[] = "https://music.youtube.com";

/// The source of the function the browser extension bundles and calls with
/// an action.
const QByteArray &functionSource();

/// The identifier when `text` is exactly 11 ASCII letters, digits, "_" or "-".
std::optional<QString> videoID(const QString &text);

/// True for an https address on the YouTube Music host (port absent or 443)
/// without user name or password.
bool isMusicURL(const QString &text);

/// The action the program is called with for `command` (a read when none):
/// its "name" and arguments ("position" in seconds for a seek, "level" 0-100
/// for the volume). Every command but a read names the song it is meant for
/// in "expected"; without a usable identifier it fails with `trackChanged`.
PlayerResult<QJsonObject> action(const std::optional<PlayerCommand> &command,
                                 const std::optional<QString> &expectedID);

/// Decodes the page's reply. A reply that is not the expected JSON fails
/// with an `PlayerOtherError` that describes it.
PlayerSnapshotResult snapshot(const QByteArray &data);
PlayerSnapshotResult snapshot(const QJsonObject &reply);

} // namespace YouTubePlayback
