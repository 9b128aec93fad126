#include "platform/net/HttpConnectionOverride.h"

void HttpConnectionOverride::route(const QString &host, int port, quint16 localPort)
{
    m_routes.push_back({host.toLower(), port, localPort});
}

std::optional<quint16> HttpConnectionOverride::localPortFor(const QUrl &url) const
{
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("https") && scheme != QLatin1String("http"))
        return std::nullopt;
    const int port = url.port(scheme == QLatin1String("http") ? 80 : 443);
    const QString host = url.host().toLower();
    for (const Route &route : m_routes) {
        if (route.host == host && route.port == port)
            return route.localPort;
    }
    return std::nullopt;
}
