#include "artwork/SpotifyArtworkPolicy.h"

#include "artwork/ArtworkAddress.h"
#include "platform/image/ImageDecoder.h"

#include <algorithm>
#include <array>

namespace SpotifyArtworkPolicy {

std::optional<QUrl> validatedURL(const QString &address)
{
    constexpr qsizetype kIdLength = 40;
    const ArtworkAddress parsed(address);
    if (!parsed.isValid() || parsed.url().scheme() != QLatin1String("https") ||
        parsed.url().host() != QLatin1String(kHost) || !parsed.hasDefaultPort() ||
        parsed.hasUserInfo() || parsed.url().hasQuery() || parsed.url().hasFragment())
        return std::nullopt;
    const QString path = parsed.url().path(QUrl::FullyEncoded);
    static const QString prefix = QStringLiteral("/image/");
    if (!path.startsWith(prefix) || path.size() != prefix.size() + kIdLength)
        return std::nullopt;
    const QString id = path.mid(prefix.size());
    for (const QChar c : id) {
        const char16_t u = c.unicode();
        const bool hex =
            (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
        if (!hex)
            return std::nullopt;
    }
    return QUrl(QStringLiteral("https://") + QLatin1String(kHost) + prefix + id.toLower());
}

std::optional<QUrl> validatedURL(const QUrl &url)
{
    return validatedURL(url.toString(QUrl::FullyEncoded));
}

QImage thumbnail(const QByteArray &bytes)
{
    return ImageDecoder::thumbnail(bytes, {kMaxImageBytes, kMaxPixelsPerSide, kThumbnailSide});
}

Seconds retryDelay(int failures)
{
    static constexpr std::array<double, kMaxArtworkFailures + 1> kDelays{1, 2, 4, 8, 15, 30};
    return Seconds(kDelays[std::clamp(failures, 0, kMaxArtworkFailures)]);
}

} // namespace SpotifyArtworkPolicy
