#include "platform/dbus/MprisTrackMetadata.h"

#include <QDBusObjectPath>
#include <QUrl>

namespace {

// A cut must not leave half of a surrogate pair behind.
QString capped(const QString &value, qsizetype limit)
{
    if (value.size() <= limit)
        return value;
    qsizetype end = limit;
    if (value.at(end - 1).isHighSurrogate())
        --end;
    return value.left(end);
}

bool isHexDigits(QStringView text, qsizetype count)
{
    if (text.size() != count)
        return false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (!((u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')))
            return false;
    }
    return true;
}

std::optional<QString> spotifyTrackFromPath(QStringView text, QStringView prefix)
{
    if (!text.startsWith(prefix))
        return std::nullopt;
    const QStringView id = text.mid(prefix.size());
    if (id.isEmpty() || id.contains(u'/'))
        return std::nullopt;
    return QStringLiteral("spotify:track:") + id.toString();
}

} // namespace

MprisTrackMetadata::MprisTrackMetadata(QVariantMap metadata) : m_metadata(std::move(metadata)) {}

std::optional<double> MprisTrackMetadata::number(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::Double:
        return value.toDouble();
    default:
        return std::nullopt;
    }
}

std::optional<QString> MprisTrackMetadata::text(const QVariant &value)
{
    if (value.metaType().id() != QMetaType::QString)
        return std::nullopt;
    return capped(value.toString(), kMaxTextLength);
}

QString MprisTrackMetadata::textValue(const char *key) const
{
    return text(m_metadata.value(QLatin1String(key))).value_or(QString());
}

QString MprisTrackMetadata::trackID() const
{
    const QVariant id = m_metadata.value(QStringLiteral("mpris:trackid"));
    if (id.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return capped(id.value<QDBusObjectPath>().path(), kMaxTextLength);
    return text(id).value_or(QString());
}

bool MprisTrackMetadata::hasTrack() const
{
    return !m_metadata.isEmpty() && trackID() != QLatin1String(kNoTrackID);
}

QString MprisTrackMetadata::title() const
{
    return textValue("xesam:title");
}

QString MprisTrackMetadata::artist() const
{
    const QVariant artists = m_metadata.value(QStringLiteral("xesam:artist"));
    if (artists.metaType().id() == QMetaType::QStringList) {
        QStringList names = artists.toStringList();
        if (names.size() > kMaxArtists)
            names.resize(kMaxArtists);
        for (QString &name : names)
            name = capped(name, kMaxTextLength);
        return capped(names.join(QStringLiteral(", ")), kMaxTextLength);
    }
    return text(artists).value_or(QString());
}

QString MprisTrackMetadata::album() const
{
    return textValue("xesam:album");
}

std::optional<double> MprisTrackMetadata::lengthMicroseconds() const
{
    return number(m_metadata.value(QStringLiteral("mpris:length")));
}

std::optional<QString> MprisTrackMetadata::spotifyURI() const
{
    const QString id = trackID();
    if (auto uri = spotifyTrackFromPath(id, u"/com/spotify/track/"))
        return uri;
    if (auto uri = spotifyTrackFromPath(id, u"spotify:track:"))
        return uri;
    const QString address = textValue("xesam:url");
    if (address.size() > kMaxAddressLength)
        return std::nullopt;
    const QUrl url(address, QUrl::StrictMode);
    if (url.isValid() && url.scheme() == QLatin1String("https") &&
        url.host() == QLatin1String("open.spotify.com"))
        return spotifyTrackFromPath(url.path(), u"/track/");
    return std::nullopt;
}

std::optional<QString> MprisTrackMetadata::artworkAddress() const
{
    const QString address = textValue("mpris:artUrl");
    if (address.isEmpty() || address.size() > kMaxAddressLength)
        return std::nullopt;
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return std::nullopt;
    const QString host = url.host().toLower();
    if (host == QLatin1String("open.spotify.com") || host == QLatin1String("i.scdn.co")) {
        const QString path = url.path();
        for (const QStringView prefix : {u"/image/", u"/thumb/"}) {
            if (path.startsWith(prefix) && isHexDigits(QStringView(path).mid(prefix.size()), 40))
                return QStringLiteral("https://i.scdn.co/image/") + path.mid(prefix.size());
        }
    }
    return address;
}

std::optional<QString> MprisTrackMetadata::artworkFile() const
{
    const QString address = textValue("mpris:artUrl");
    if (address.size() > kMaxAddressLength)
        return std::nullopt;
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile())
        return std::nullopt;
    return url.toLocalFile();
}
