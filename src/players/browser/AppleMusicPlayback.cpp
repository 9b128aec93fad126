#include "players/browser/AppleMusicPlayback.h"

#include "artwork/AppleMusicArtworkPolicy.h"

#include <algorithm>

namespace AppleMusicPlayback {

const QByteArray &functionSource()
{
    static const QByteArray source =
        BrowserPlayback::bundledProgram(QStringLiteral(":/players/browser/AppleMusicPlayback.js"));
    return source;
}

std::optional<QString> songID(const QString &text)
{
    if (text.isEmpty() || text.size() > kMaxSongIDLength)
        return std::nullopt;
    const bool allowed = std::all_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
               u == '.' || u == '_' || u == '-';
    });
    return allowed ? std::optional(text) : std::nullopt;
}

bool isMusicURL(const QString &text)
{
    return BrowserPlayback::isPageURL(text, kWebHost);
}

BrowserSite site(int coverSide)
{
    const BrowserPlayback::ReplyRules rules{
        "songId", [](const QString &text) { return songID(text); },
        [coverSide](const QString &address) {
            return AppleMusicArtworkPolicy::sizedURL(address, coverSide);
        }};
    return {
        isMusicURL,
        [](const std::optional<PlayerCommand> &command, const std::optional<QString> &expectedID) {
            return BrowserPlayback::action(command, expectedID,
                                           [](const QString &text) { return songID(text); });
        },
        [rules](const QJsonObject &reply) { return BrowserPlayback::snapshot(reply, rules); },
        QStringLiteral("The Apple Music tab returned incomplete playback details.")};
}

} // namespace AppleMusicPlayback
