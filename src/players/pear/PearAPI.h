#pragma once

#include "platform/net/HttpClient.h"
#include "players/model/PlayerBridging.h"

#include <QMap>
#include <QString>

#include <optional>

/// Pear Desktop's local API: the only address, the only requests the program
/// may send to it, and the rule for its access token.
namespace PearAPI {

inline constexpr char kOrigin[] = "http://127.0.0.1:26538";
/// Longest reply body accepted, in bytes.
inline constexpr qint64 kMaxReplyBytes = 65'536;
/// Longest access token sent or stored, in UTF-8 bytes.
inline constexpr qsizetype kMaxTokenBytes = 8'192;
inline constexpr char kAuthPrefix[] = "/auth/Velloway-";
inline constexpr Seconds kRequestTimeout{3};
/// The user has to approve the authorisation in Pear.
inline constexpr Seconds kAuthTimeout{60};

enum class Method
{
    get,
    post
};

/// True for 1 to 8192 bytes, each printable ASCII without space (33 to 126).
bool isValidToken(const QString &token);

/// One request that passed every rule. A method and path that are not
/// allowed fail with an `PlayerOtherError` ("unsupported URL"), so nothing
/// is ever sent for them; a token that breaks the token rule fails with
/// `pearSetup`.
/// `origin` is `kOrigin` in the program; tests name a server of their own.
PlayerResult<HttpRequest> request(const QString &path, Method method,
                                  const std::optional<QString> &token = std::nullopt,
                                  const std::optional<QMap<QString, double>> &body = std::nullopt,
                                  const QString &origin = QLatin1String(kOrigin));

} // namespace PearAPI
