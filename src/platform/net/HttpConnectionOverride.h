#pragma once

#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

/// Test-only routing for `HttpClient`: requests for a listed host and port
/// are sent as plain HTTP to a server on 127.0.0.1 instead. This is the one
/// way a test reaches a local server; the address policies themselves stay
/// untouched, and an empty override (production) changes nothing. Targets
/// are always the loopback address, so an override cannot send traffic
/// anywhere else.
class HttpConnectionOverride
{
public:
    /// Sends requests for `host` (compared lower-cased) on `port` (443 for an
    /// https address without a port) to 127.0.0.1:`localPort` over HTTP.
    void route(const QString &host, int port, quint16 localPort);

    bool isEmpty() const { return m_routes.empty(); }

    /// The local port for `url`, or none when it is not routed.
    std::optional<quint16> localPortFor(const QUrl &url) const;

private:
    struct Route
    {
        QString host;
        int port;
        quint16 localPort;
    };
    std::vector<Route> m_routes;
};
