#pragma once

#include "core/Clock.h"
#include "platform/net/HttpConnectionOverride.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

/// One request as `HttpClient` sends it.
struct HttpRequest
{
    QUrl url;
    /// "GET" or "POST".
    QByteArray method = "GET";
    /// The body of a POST (a POST without one sends an empty body).
    QByteArray body;
    /// Extra request headers (name, value), sent as given.
    QList<std::pair<QByteArray, QByteArray>> headers;
    /// The body is never allowed to grow past this many bytes.
    qint64 maxBodyBytes = 0;
    /// Cancellation is checked each time this many more body bytes are held.
    qint64 cancelCheckBytes = 16'384;
    /// Longest wait without any data arriving (also while connecting).
    Seconds idleTimeout{8};
    /// Longest whole transfer.
    Seconds totalTimeout{12};
};

/// What is known once the response head has arrived, before any body.
struct HttpResponseHead
{
    int status = 0;
    /// The address the response belongs to; the client follows no
    /// redirects, so this is the requested address.
    QUrl url;
    /// The media type without parameters, lower-cased; empty when absent.
    QString mediaType;
    /// The announced body length, -1 when unknown.
    qint64 expectedLength = -1;
    /// The Location header resolved against `url`; empty when absent.
    QUrl location;
};

enum class HttpError
{
    none,
    unsupportedURL,   // not https (and not routed by a test override), or malformed
    cannotConnect,    // name lookup or connection failed
    secureConnection, // TLS failed
    timedOut,
    connectionLost, // the connection broke or the reply was malformed
    bodyTooLarge,   // the body grew past `maxBodyBytes`
    headRejected,   // the caller's head check said no
    cancelled,
};

struct HttpResponse
{
    HttpError error = HttpError::none;
    /// A short technical description of a failure.
    QString errorText;
    /// Present once a response head has arrived (even when the transfer then
    /// failed).
    std::optional<HttpResponseHead> head;
    /// The body received so far; never more than `maxBodyBytes`.
    QByteArray body;

    bool isSuccess() const { return error == HttpError::none; }
};

/// An anonymous HTTPS client for worker threads: each `get` is a fresh
/// transfer that blocks the calling thread. No cookies, no cache, no
/// credentials, no proxy (proxy variables in the environment are ignored),
/// and redirects are never followed: a 3xx is returned like any response.
/// A client may be used by one thread at a time.
class HttpClient
{
public:
    using HeadCheck = std::function<bool(const HttpResponseHead &)>;

    explicit HttpClient(HttpConnectionOverride connectionOverride = {});
    ~HttpClient();
    HttpClient(HttpClient &&) noexcept;
    HttpClient &operator=(HttpClient &&) noexcept;

    /// A client for a plain-HTTP service on this machine (a local player's
    /// API): it sends only to http://127.0.0.1 addresses with a port, and
    /// keeps its one connection open between `send` calls, so a request
    /// costs no new connection while the server keeps it.
    static HttpClient loopback();

    /// Sends `request`. `acceptHead` (optional) sees the head before any body
    /// is read; returning false ends the transfer with `headRejected`.
    /// `cancelled` is checked before starting, after every wait for the
    /// network and each time `cancelCheckBytes` more body bytes are held.
    /// Always a fresh connection; `request.method` is ignored.
    HttpResponse get(const HttpRequest &request, const std::atomic<bool> &cancelled,
                     const HeadCheck &acceptHead = {}) const;

    /// Like `get`, with the request's method and body, and on the kept
    /// connection of a `loopback()` client.
    HttpResponse send(const HttpRequest &request, const std::atomic<bool> &cancelled,
                      const HeadCheck &acceptHead = {});

private:
    struct Handles;

    HttpResponse transfer(const HttpRequest &request, const std::atomic<bool> &cancelled,
                          const HeadCheck &acceptHead, Handles *kept) const;

    HttpConnectionOverride m_override;
    std::unique_ptr<Handles> m_kept; // loopback clients only
};
