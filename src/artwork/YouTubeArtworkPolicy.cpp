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
    if (parsed.writtenScheme() != QLatin1String("https") ||
        !hosts().contains(parsed.writtenHost()) || parsed.url().host() != parsed.writtenHost())
        return std::nullopt;
    if (!parsed.hasDefaultPort() || parsed.hasUserInfo() || parsed.url().hasFragment())
        return std::nullopt;
    const QString path = parsed.url().path(QUrl::FullyEncoded);
    if (path.isEmpty() || path == QLatin1String("/"))
        return std::nullopt;
    return parsed.url();
}

std::optional<QUrl> validatedURL(const QUrl &url)
{
    return validatedURL(url.toString(QUrl::FullyEncoded));
}

} // namespace YouTubeArtworkPolicy
