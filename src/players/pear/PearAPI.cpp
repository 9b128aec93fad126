#include "players/pear/PearAPI.h"

#include "core/UuidText.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace PearAPI {

namespace {

bool isAllowed(const QString &path, Method method)
{
    if (method == Method::get)
        return path == u"/api/v1/song" || path == u"/api/v1/volume";
    static const QStringList posts = {
        QStringLiteral("/api/v1/toggle-play"), QStringLiteral("/api/v1/previous"),
        QStringLiteral("/api/v1/next"), QStringLiteral("/api/v1/seek-to"),
        QStringLiteral("/api/v1/volume")};
    const QLatin1String auth(kAuthPrefix);
    if (path.startsWith(auth))
        return UuidText::parse(QStringView(path).mid(auth.size())).has_value();
    return posts.contains(path);
}

} // namespace

bool isValidToken(const QString &token)
{
    const QByteArray bytes = token.toUtf8();
    if (bytes.isEmpty() || bytes.size() > kMaxTokenBytes)
        return false;
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 33 && c <= 126; });
}

PlayerResult<HttpRequest> request(const QString &path, Method method,
                                  const std::optional<QString> &token,
                                  const std::optional<QMap<QString, double>> &body,
                                  const QString &origin)
{
    if (!isAllowed(path, method))
        return PlayerOtherError{QStringLiteral("unsupported URL")};
    HttpRequest request;
    request.url = QUrl(origin + path, QUrl::StrictMode);
    request.method = method == Method::get ? "GET" : "POST";
    request.maxBodyBytes = kMaxReplyBytes;
    request.cancelCheckBytes = 4'096;
    const bool isAuth = path.startsWith(QLatin1String(kAuthPrefix));
    request.idleTimeout = request.totalTimeout = isAuth ? kAuthTimeout : kRequestTimeout;
    request.headers.emplaceBack("Accept", "application/json");
    if (token) {
        if (!isValidToken(*token))
            return PlayerError(PlayerError::Kind::pearSetup);
        request.headers.emplaceBack("Authorization", "Bearer " + token->toLatin1());
    }
    if (body) {
        QJsonObject object;
        for (auto it = body->begin(); it != body->end(); ++it)
            object.insert(it.key(), it.value());
        request.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
        request.headers.emplaceBack("Content-Type", "application/json");
    }
    return request;
}

} // namespace PearAPI
