#include "artwork/YouTubeArtworkPolicy.h"

#include "artwork/ArtworkAddress.h"

namespace YouTubeArtworkPolicy {

const QSet<QString> &hosts()
{
    static const QSet<QString> allowed = {
        QStringLiteral("lh3.googleusercontent.com"),
        QStringLiteral("yt3.googleusercontent.com"),
        QStringLiteral("lh3.ggpht.com"),
        QStringLiteral("yt3.ggpht.com"),
        QStringLiteral("i.ytimg.com"),
    };
    return allowed;
}

std::optional<QUrl> validatedURL(const QString &address)
{
    if (address.toUtf8().size() > kMaxAddressBytes)
        return std::nullopt;
    const ArtworkAddress parsed(address);
    if (!parsed.isValid() || parsed.url().toString(QUrl::FullyEncoded).size() > kMaxAddressBytes)
        return std::nullopt;
    if (!parsed.isPlainImageAddress([](const QString &host) { return hosts().contains(host); }))
        return std::nullopt;
    return parsed.url();
}

std::optional<QUrl> validatedURL(const QUrl &url)
{
    return validatedURL(url.toString(QUrl::FullyEncoded));
}

} // namespace YouTubeArtworkPolicy
