#include "lyrics/LyricsPolicy.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>

namespace {

LyricsFailure failure(LyricsFailure::Kind kind, QString detail)
{
    return LyricsFailure{kind, std::move(detail)};
}

QString percentEncoded(const QString &value)
{
    // Everything but the unreserved characters, so "+" and "&" in a title
    // reach the service as themselves.
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

// Reads one key of the reply the way a strict decoder does: a missing
// required key or a value of another type is an error; `null` and a missing
// key mean absent for the optional ones.
struct ReplyReader
{
    const QJsonObject &reply;
    QString error;

    std::optional<QJsonValue> required(const QString &key)
    {
        const QJsonValue value = reply.value(key);
        if (value.isUndefined()) {
            fail(QStringLiteral("missing key \"%1\"").arg(key));
            return std::nullopt;
        }
        return value;
    }

    QString string(const QString &key)
    {
        const std::optional<QJsonValue> value = required(key);
        if (value && !value->isString())
            fail(QStringLiteral("\"%1\" is not a string").arg(key));
        return value ? value->toString() : QString();
    }

    double number(const QString &key)
    {
        const std::optional<QJsonValue> value = required(key);
        if (value && !value->isDouble())
            fail(QStringLiteral("\"%1\" is not a number").arg(key));
        return value ? value->toDouble() : 0;
    }

    bool boolean(const QString &key)
    {
        const std::optional<QJsonValue> value = required(key);
        if (value && !value->isBool())
            fail(QStringLiteral("\"%1\" is not a boolean").arg(key));
        return value && value->toBool();
    }

    std::optional<QString> optionalString(const QString &key)
    {
        const QJsonValue value = reply.value(key);
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (!value.isString()) {
            fail(QStringLiteral("\"%1\" is not a string").arg(key));
            return std::nullopt;
        }
        return value.toString();
    }

    void fail(QString message)
    {
        if (error.isEmpty())
            error = std::move(message);
    }
};

} // namespace

namespace LyricsPolicy {

QUrl defaultOrigin()
{
    return QUrl(QStringLiteral("https://lrclib.net"));
}

QUrl origin(const QString &override)
{
    if (override.isEmpty())
        return defaultOrigin();
    const QUrl url(override, QUrl::StrictMode);
    const bool plainOrigin = url.isValid() && url.scheme() == QLatin1String("https") &&
                             !url.host().isEmpty() && url.userInfo().isEmpty() &&
                             (url.path().isEmpty() || url.path() == QLatin1String("/")) &&
                             !url.hasQuery() && !url.hasFragment();
    if (!plainOrigin)
        return defaultOrigin();
    QUrl result;
    result.setScheme(url.scheme());
    result.setHost(url.host());
    result.setPort(url.port());
    return result;
}

QUrl requestURL(const LyricsTrack &track, const QUrl &origin)
{
    QUrl url = origin;
    url.setPath(QStringLiteral("/api/get"));
    url.setQuery(QStringLiteral("track_name=%1&artist_name=%2&album_name=%3&duration=%4")
                     .arg(percentEncoded(track.title()), percentEncoded(track.artist()),
                          percentEncoded(track.album()), QString::number(track.duration())),
                 QUrl::StrictMode);
    return url;
}

bool accepts(const HttpResponseHead &response, const QUrl &requestedURL)
{
    return response.status == 200 && !response.url.isEmpty() && response.url == requestedURL &&
           response.mediaType.toLower() == QLatin1String("application/json") &&
           response.expectedLength <= kMaxReplyBytes;
}

QString matchingKey(QStringView text)
{
    // Decompose before folding: case folding leaves some capitals alone (the
    // dotted capital I, U+0130) whose base letter it does fold once the mark
    // is split off. Folding may compose or expand, so decompose again before
    // the combining marks are dropped.
    QString key = text.trimmed()
                      .toString()
                      .normalized(QString::NormalizationForm_D)
                      .toCaseFolded()
                      .normalized(QString::NormalizationForm_D);
    key.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return key;
}

LyricsResult decode(const QByteArray &body, const LyricsTrack &track)
{
    using Kind = LyricsFailure::Kind;
    if (body.isEmpty() || body.size() > kMaxReplyBytes)
        return failure(Kind::dataLengthExceedsMaximum,
                       QStringLiteral("reply body of %1 bytes").arg(body.size()));

    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failure(Kind::decoding, QStringLiteral("malformed JSON at byte %1: %2")
                                           .arg(parseError.offset)
                                           .arg(parseError.errorString()));
    if (!json.isObject())
        return failure(Kind::decoding, QStringLiteral("reply is not a JSON object"));

    const QJsonObject object = json.object();
    ReplyReader reader{object, {}};
    const QString trackName = reader.string(QStringLiteral("trackName"));
    const QString artistName = reader.string(QStringLiteral("artistName"));
    const double duration = reader.number(QStringLiteral("duration"));
    const bool instrumental = reader.boolean(QStringLiteral("instrumental"));
    const std::optional<QString> synced = reader.optionalString(QStringLiteral("syncedLyrics"));
    const std::optional<QString> plain = reader.optionalString(QStringLiteral("plainLyrics"));
    if (!reader.error.isEmpty())
        return failure(Kind::decoding, reader.error);

    if (!std::isfinite(duration) || std::abs(duration - track.duration()) > kDurationTolerance)
        return failure(Kind::notFound, QStringLiteral("reply is for a song of %1 s").arg(duration));
    if (matchingKey(trackName) != matchingKey(track.title()))
        return failure(Kind::notFound, QStringLiteral("reply is for another title"));
    if (matchingKey(artistName) != matchingKey(track.artist()))
        return failure(Kind::notFound, QStringLiteral("reply is for another artist"));

    LyricsDocument document(synced, plain, instrumental);
    if (!document.instrumental() && document.lines().isEmpty() && document.plainText().isEmpty())
        return failure(Kind::notFound, QStringLiteral("reply holds no lyrics"));
    return document;
}

} // namespace LyricsPolicy
