#include "players/browser/YouTubePlayback.h"

#include "artwork/YouTubeArtworkPolicy.h"

namespace YouTubePlayback {

namespace {

constexpr char kHost[] = "music.youtube.com";

const BrowserPlayback::ReplyRules &rules()
{
    static const BrowserPlayback::ReplyRules rules{
        "videoId", [](const QString &text) { return videoID(text); },
        [](const QString &address) { return YouTubeArtworkPolicy::validatedURL(address); }};
    return rules;
}

} // namespace

const QByteArray &functionSource()
{
    static const QByteArray source =
        BrowserPlayback::bundledProgram(QStringLiteral(":/players/browser/YouTubePlayback.js"));
    return source;
}

std::optional<QString> videoID(const QString &text)
{
    if (text.size() != 11)
        return std::nullopt;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool allowed = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                             (u >= '0' && u <= '9') || u == '_' || u == '-';
        if (!allowed)
            return std::nullopt;
    }
    return text;
}

bool isMusicURL(const QString &text)
{
    return BrowserPlayback::isPageURL(text, kHost);
}

PlayerResult<QJsonObject> action(const std::optional<PlayerCommand> &command,
                                 const std::optional<QString> &expectedID)
{
    return BrowserPlayback::action(command, expectedID, videoID);
}

PlayerSnapshotResult snapshot(const QByteArray &data)
{
    return BrowserPlayback::snapshot(data, rules());
}

PlayerSnapshotResult snapshot(const QJsonObject &reply)
{
    return BrowserPlayback::snapshot(reply, rules());
}

const BrowserSite &site()
{
    static const BrowserSite site{isMusicURL, action,
                                  [](const QJsonObject &reply) { return snapshot(reply); },
                                  QStringLiteral("The YouTube Music tab returned incomplete "
                                                 "playback details.")};
    return site;
}

} // namespace YouTubePlayback
