#pragma once

#include "players/model/PlayerBridging.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

/// What every music site's page program shares: the rule for the site's
/// tabs, the action the program is called with, and the checks its answer
/// passes before it becomes a snapshot. Each site names its own song
/// identifier and cover rules.
namespace BrowserPlayback {

/// Longest reply accepted from a page, in bytes.
inline constexpr qsizetype kMaxReplyBytes = 65'536;
/// Longest title, artist and album kept, in user-perceived characters.
inline constexpr qsizetype kMaxTextLength = 500;
/// A longer song length reads as unknown (0), as no song lasts a day.
inline constexpr double kMaxDurationSeconds = 86'400;

/// The site's identifier of a song when the text is one, else none.
using IDRule = std::function<std::optional<QString>(const QString &)>;
/// The cover address to load when the text is an allowed one, else none.
using ArtworkRule = std::function<std::optional<QUrl>(const QString &)>;

/// How a site's answer is read.
struct ReplyRules
{
    /// The key that carries the song's identifier.
    const char *idKey = "";
    IDRule id;
    ArtworkRule artwork;
};

/// The text of a page program bundled with the program under `resource`.
QByteArray bundledProgram(const QString &resource);

/// True for an https address on `host` (port absent or 443) without user
/// name or password.
bool isPageURL(const QString &text, const char *host);

/// The action the program is called with for `command` (a read when none):
/// its "name" and arguments ("position" in seconds for a seek, "level" 0-100
/// for the volume). Every command but a read names the song it is meant for
/// in "expected" (a seek the song of its track, the others `expectedID`);
/// without one that passes `id` it fails with `trackChanged`.
PlayerResult<QJsonObject> action(const std::optional<PlayerCommand> &command,
                                 const std::optional<QString> &expectedID, const IDRule &id);

/// Decodes the page's reply. A reply that is not the expected JSON fails
/// with an `PlayerOtherError` that describes it.
PlayerSnapshotResult snapshot(const QByteArray &data, const ReplyRules &rules);
PlayerSnapshotResult snapshot(const QJsonObject &reply, const ReplyRules &rules);

} // namespace BrowserPlayback

/// One music site as a browser bridge follows it: which tabs are the
/// site's, the action for a command, the decoding of the program's answer,
/// and what the user reads when that answer is unusable.
struct BrowserSite
{
    std::function<bool(const QString &text)> isSiteURL;
    std::function<PlayerResult<QJsonObject>(const std::optional<PlayerCommand> &command,
                                            const std::optional<QString> &expectedID)>
        action;
    std::function<PlayerSnapshotResult(const QJsonObject &reply)> snapshot;
    QString incompleteDetails;
};
