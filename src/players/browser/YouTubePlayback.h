#pragma once

#include "players/browser/BrowserPlayback.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

/// The program that reads and controls the YouTube Music player inside its
/// page, the rule that builds the action it is called with, and the rule
/// that decodes the page's reply.
namespace YouTubePlayback {

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

/// The site as the browser bridges follow it.
const BrowserSite &site();

} // namespace YouTubePlayback
