#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QUrlQuery>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

/// A scriptable HTTP/1.1 server on 127.0.0.1 for tests, on plain sockets in
/// its own threads (one per connection), so a test's main thread may block
/// on a client while the server answers. Every connection serves one
/// request and is closed afterwards, unless connections are kept.
class TestHttpServer
{
public:
    struct Request
    {
        QByteArray method;
        QString path;
        QUrlQuery query;
        /// Header names lower-cased.
        QMap<QByteArray, QByteArray> headers;
        /// As announced by Content-Length.
        QByteArray body;
    };

    struct Response
    {
        int status = 200;
        QList<std::pair<QByteArray, QByteArray>> headers{};
        QByteArray body{};
        /// When positive, the body is this many filler bytes instead of
        /// `body` (large bodies without holding them in memory).
        qint64 fillerBytes = 0;
        /// Send a Content-Length header for the real body length.
        bool announceLength = true;
        /// Announce this length instead of the real one (when >= 0).
        qint64 announcedLength = -1;
        /// Close the connection after this many body bytes (when >= 0).
        qint64 dropAfter = -1;
        /// Stop sending after this many body bytes (when >= 0; 0 with
        /// `stallBeforeHead` stalls before anything) and hold the connection
        /// open until the client leaves or the server stops.
        qint64 stallAfter = -1;
        bool stallBeforeHead = false;

        static Response ok(const QByteArray &mediaType, QByteArray body)
        {
            return {.headers = {{"Content-Type", mediaType}}, .body = std::move(body)};
        }
        static Response withStatus(int code) { return {.status = code}; }
        static Response redirect(int code, const QByteArray &location)
        {
            return {.status = code, .headers = {{"Location", location}}};
        }
    };

    using Handler = std::function<Response(const Request &)>;

    /// Listens on `port` (any free port when 0); `port()` is 0 when that
    /// port is taken.
    explicit TestHttpServer(quint16 port = 0);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer &) = delete;
    TestHttpServer &operator=(const TestHttpServer &) = delete;

    quint16 port() const { return m_port; }

    /// Answers every request; replaces routes. Without a handler or a route
    /// a request gets 404.
    void setHandler(Handler handler);
    /// Answers requests for `path` (query ignored) with `response`.
    void route(const QString &path, Response response);

    /// Serves further requests on a connection after a complete reply
    /// instead of closing it.
    void keepConnections(bool keep) { m_keepConnections = keep; }
    int connectionCount() const;

    QList<Request> requests() const;
    int requestCount() const { return int(requests().size()); }
    /// Waits (up to `timeoutMs`) until at least `bytes` body bytes have been
    /// written; false on time-out.
    bool waitForBodyBytes(qint64 bytes, int timeoutMs);

private:
    void acceptLoop();
    void serve(int socket);
    bool serveOne(int socket, QByteArray &pending);
    Response respond(const Request &request);
    bool sendAll(int socket, const char *data, qint64 length);
    void holdOpen(int socket);

    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_keepConnections{false};
    std::atomic<qint64> m_bodyBytesSent{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_progress;
    Handler m_handler;
    std::map<QString, Response> m_routes;
    QList<Request> m_requests;
    std::vector<std::thread> m_connections;
    std::thread m_acceptThread;
};
