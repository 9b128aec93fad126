#include "artwork/AppleMusicArtworkPolicy.h"

#include "artwork/ArtworkAddress.h"
#include "artwork/SpotifyArtworkPolicy.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace AppleMusicArtworkPolicy {

namespace {

constexpr char kArtworkDomain[] = ".mzstatic.com";

// The template's fields, as the player writes them or percent-encoded.
QString filled(QString address, int side)
{
    const QString size = QString::number(side);
    const std::pair<const char *, QString> fields[] = {
        {"w", size}, {"h", size}, {"c", QStringLiteral("bb")}, {"f", QStringLiteral("jpg")}};
    for (const auto &[name, value] : fields) {
        address.replace(QStringLiteral("{%1}").arg(QLatin1String(name)), value);
        address.replace(QStringLiteral("%7B%1%7D").arg(QLatin1String(name)), value,
                        Qt::CaseInsensitive);
    }
    return address;
}

} // namespace

int coverSide(double devicePixelRatio)
{
    const double ratio =
        std::isfinite(devicePixelRatio) && devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    return std::clamp(int(std::ceil(kCoverPoints * std::min(ratio, 16.0))), 1,
                      SpotifyArtworkPolicy::kThumbnailSide);
}

bool isArtworkHost(const QString &host)
{
    if (!host.endsWith(QLatin1String(kArtworkDomain)))
        return false;
    const QStringView label = QStringView(host).chopped(qsizetype(sizeof kArtworkDomain) - 1);
    return !label.isEmpty() && std::all_of(label.begin(), label.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-';
    });
}

std::optional<QUrl> validatedURL(const QString &address)
{
    if (address.toUtf8().size() > kMaxAddressBytes)
        return std::nullopt;
    const ArtworkAddress parsed(address);
    if (!parsed.isPlainImageAddress(isArtworkHost) || parsed.url().hasQuery())
        return std::nullopt;
    const QString path = parsed.url().path(QUrl::FullyDecoded);
    if (path.contains(u'{') || path.contains(u'}'))
        return std::nullopt;
    return parsed.url();
}

std::optional<QUrl> validatedURL(const QUrl &url)
{
    return validatedURL(url.toString(QUrl::FullyEncoded));
}

std::optional<QUrl> sizedURL(const QString &address, int side)
{
    if (address.toUtf8().size() > kMaxAddressBytes)
        return std::nullopt;
    QString sized = filled(address, side);
    if (sized == address) {
        static const QRegularExpression size(QStringLiteral("/\\d{1,5}x\\d{1,5}([^/]*)$"));
        sized.replace(size, QStringLiteral("/%1x%1\\1").arg(side));
    }
    return validatedURL(sized);
}

} // namespace AppleMusicArtworkPolicy
