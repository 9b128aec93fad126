#include "support/TestHttpServer.h"

#include <QUrl>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace {

constexpr int kPollMilliseconds = 20;
constexpr qsizetype kMaxRequestHead = 65'536;
constexpr qint64 kBodyBytesPerWrite = 16'384;

} // namespace

TestHttpServer::TestHttpServer(quint16 port)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const int reuse = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return;
    ::listen(m_listener, 16);
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

TestHttpServer::~TestHttpServer()
{
    m_stopping = true;
    m_progress.notify_all();
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    for (std::thread &connection : m_connections)
        connection.join();
    ::close(m_listener);
}

void TestHttpServer::setHandler(Handler handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
    m_routes.clear();
}

void TestHttpServer::route(const QString &path, Response response)
{
    std::lock_guard lock(m_mutex);
    m_routes[path] = std::move(response);
}

QList<TestHttpServer::Request> TestHttpServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

int TestHttpServer::connectionCount() const
{
    std::lock_guard lock(m_mutex);
    return int(m_connections.size());
}

bool TestHttpServer::waitForBodyBytes(qint64 bytes, int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_progress.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return m_bodyBytesSent.load() >= bytes; });
}

void TestHttpServer::acceptLoop()
{
    while (!m_stopping) {
        pollfd item{m_listener, POLLIN, 0};
        if (::poll(&item, 1, kPollMilliseconds) <= 0)
            continue;
        const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        // Head and body go out in separate writes; without this the body
        // waits for the client's delayed acknowledgement (40 ms).
        const int noDelay = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        std::lock_guard lock(m_mutex);
        m_connections.emplace_back([this, socket] {
            serve(socket);
            ::close(socket);
        });
    }
}

TestHttpServer::Response TestHttpServer::respond(const Request &request)
{
    std::lock_guard lock(m_mutex);
    m_requests.append(request);
    const auto found = m_routes.find(request.path);
    if (found != m_routes.end())
        return found->second;
    if (m_handler)
        return m_handler(request);
    return Response::withStatus(404);
}

bool TestHttpServer::sendAll(int socket, const char *data, qint64 length)
{
    while (length > 0) {
        if (m_stopping)
            return false;
        pollfd item{socket, POLLOUT, 0};
        if (::poll(&item, 1, kPollMilliseconds) <= 0)
            continue;
        const ssize_t sent = ::send(socket, data, size_t(length), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        length -= sent;
    }
    return true;
}

void TestHttpServer::holdOpen(int socket)
{
    char scratch[4096];
    while (!m_stopping) {
        pollfd item{socket, POLLIN | POLLRDHUP, 0};
        if (::poll(&item, 1, kPollMilliseconds) <= 0)
            continue;
        if (item.revents & (POLLRDHUP | POLLHUP | POLLERR))
            return;
        if (::recv(socket, scratch, sizeof scratch, 0) <= 0)
            return;
    }
}

void TestHttpServer::serve(int socket)
{
    QByteArray pending;
    while (serveOne(socket, pending) && m_keepConnections) {
    }
}

bool TestHttpServer::serveOne(int socket, QByteArray &pending)
{
    char buffer[4096];
    const auto receive = [&] {
        pollfd item{socket, POLLIN, 0};
        if (::poll(&item, 1, kPollMilliseconds) <= 0)
            return !m_stopping;
        const ssize_t received = ::recv(socket, buffer, sizeof buffer, 0);
        if (received > 0)
            pending.append(buffer, received);
        return received > 0;
    };
    while (!pending.contains("\r\n\r\n")) {
        if (m_stopping || pending.size() > kMaxRequestHead || !receive())
            return false;
    }
    const qsizetype headEnd = pending.indexOf("\r\n\r\n");
    const QByteArray head = pending.left(headEnd);
    pending.remove(0, headEnd + 4);
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    Request request;
    request.method = requestLine.value(0);
    const QUrl target(QString::fromLatin1(requestLine.value(1)));
    request.path = target.path();
    request.query = QUrlQuery(target.query(QUrl::FullyEncoded));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype contentLength = request.headers.value("content-length").toLongLong();
    while (pending.size() < contentLength) {
        if (!receive())
            return false;
    }
    request.body = pending.left(contentLength);
    pending.remove(0, contentLength);

    const Response response = respond(request);
    if (response.stallBeforeHead) {
        holdOpen(socket);
        return false;
    }
    const qint64 bodyLength =
        response.fillerBytes > 0 ? response.fillerBytes : qint64(response.body.size());
    // Clients read the status code; the reason phrase is free text.
    QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) +
                     (m_keepConnections ? " Status\r\n" : " Status\r\nConnection: close\r\n");
    for (const auto &[name, value] : response.headers)
        out += name + ": " + value + "\r\n";
    if (response.announcedLength >= 0)
        out += "Content-Length: " + QByteArray::number(response.announcedLength) + "\r\n";
    else if (response.announceLength)
        out += "Content-Length: " + QByteArray::number(bodyLength) + "\r\n";
    out += "\r\n";
    if (!sendAll(socket, out.constData(), out.size()))
        return false;

    const QByteArray filler(kBodyBytesPerWrite, 'x');
    qint64 sent = 0;
    while (sent < bodyLength) {
        qint64 limit = bodyLength;
        if (response.dropAfter >= 0)
            limit = std::min(limit, response.dropAfter);
        if (response.stallAfter >= 0)
            limit = std::min(limit, response.stallAfter);
        const qint64 piece = std::min(kBodyBytesPerWrite, limit - sent);
        if (piece <= 0)
            break;
        const char *data =
            response.fillerBytes > 0 ? filler.constData() : response.body.constData() + sent;
        if (!sendAll(socket, data, piece))
            return false;
        sent += piece;
        {
            std::lock_guard lock(m_mutex);
            m_bodyBytesSent += piece;
        }
        m_progress.notify_all();
    }
    if (response.stallAfter >= 0 && sent < bodyLength)
        holdOpen(socket);
    // A drop mid-body, a stall or an unannounced length closes the connection.
    return sent == bodyLength && response.announceLength && response.announcedLength < 0;
}
