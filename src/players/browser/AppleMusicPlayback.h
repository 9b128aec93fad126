#pragma once

#include "players/browser/BrowserPlayback.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

/// The program that reads and controls Apple Music's web player inside its
/// page (through the page's own MusicKit player, else its media session and
/// media element), and the rules for its tabs, its actions and its replies.
/// The reply has the keys of the YouTube Music program, with "songId" for
/// the song's identifier.
namespace AppleMusicPlayback {

inline constexpr char kWebHost[] = "music.apple.com";
/// Longest song identifier kept.
inline constexpr qsizetype kMaxSongIDLength = 64;

/// The source of the function the browser extension bundles and calls with
/// an action.
const QByteArray &functionSource();

/// The identifier when `text` is 1 to 64 ASCII letters, digits, ".", "_"
/// or "-" (catalogue songs have digits, library songs "i." and letters).
std::optional<QString> songID(const QString &text);

/// True for an https address on the Apple Music host (port absent or 443)
/// without user name or password.
bool isMusicURL(const QString &text);

/// The site as the Apple Music row follows it, asking for covers `coverSide`
/// pixels square.
BrowserSite site(int coverSide);

} // namespace AppleMusicPlayback
