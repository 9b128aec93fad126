#include "platform/browser/BrowserHostServer.h"

#include "platform/browser/BrowserFrameReader.h"
#include "platform/browser/BrowserHostAddress.h"

#include <QFile>
#include <QJsonDocument>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr qsizetype kReadChunk = 16'384;
// After a host leaves mid-request, how long to watch whether its browser
// is quitting (it closes its hosts first) before blaming the extension.
constexpr Seconds kQuitGrace{1};
const QStringList kBrowsers = {QStringLiteral("chrome"), QStringLiteral("chromium"),
                               QStringLiteral("brave"), QStringLiteral("edge"),
                               QStringLiteral("firefox")};

// /proc/<pid>/stat: the state and the parent come after the last ')'.
QByteArray statFields(qint32 processID)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(processID));
    if (processID <= 0 || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = file.read(4096);
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 ? QByteArray() : line.mid(close + 2);
}

} // namespace

struct BrowserHostServer::Connection
{
    Connection(quint64 serial, int fd, qint32 peer, Seconds helloDeadline)
        : serial(serial), fd(fd), peerPID(peer), helloDeadline(helloDeadline),
          reader(kMaxMessageBytes)
    {}
    quint64 serial;
    int fd;
    qint32 peerPID;
    Seconds helloDeadline;
    qint32 browserPID = 0; // set by the host's hello
    BrowserFrameReader reader;
};

bool BrowserHostServer::isAlive(qint32 processID)
{
    const QByteArray fields = statFields(processID);
    return !fields.isEmpty() && fields[0] != 'Z' && fields[0] != 'X';
}

qint32 BrowserHostServer::parentOf(qint32 processID)
{
    const QList<QByteArray> fields = statFields(processID).split(' ');
    return fields.size() > 1 ? fields[1].toInt() : 0;
}

BrowserHostServer::BrowserHostServer(QString socketPath, const Clock &clock)
    : m_path(std::move(socketPath)), m_clock(clock)
{
    const QByteArray path = QFile::encodeName(m_path);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (m_path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path)
        return;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    // A socket left by a program that crashed; the folder is ours alone.
    struct stat status = {};
    if (::lstat(path.constData(), &status) == 0 && S_ISSOCK(status.st_mode))
        ::unlink(path.constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        ::chmod(path.constData(), 0600) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return;
    }
    m_listener = fd;
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_thread = std::thread([this] { run(); });
}

BrowserHostServer::~BrowserHostServer()
{
    if (m_listener < 0)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    const quint64 one = 1;
    [[maybe_unused]] const auto written = ::write(m_wake, &one, sizeof one);
    m_thread.join();
    for (auto &[serial, connection] : m_connections)
        ::close(connection->fd);
    ::close(m_listener);
    ::close(m_wake);
    ::unlink(QFile::encodeName(m_path).constData());
}

BrowserHostServer &BrowserHostServer::shared()
{
    static BrowserHostServer server(BrowserHostAddress::socketPath(true).value_or(QString()));
    return server;
}

void BrowserHostServer::run()
{
    int timeoutMs = -1;
    for (;;) {
        std::vector<pollfd> fds{{m_wake, POLLIN, 0}, {m_listener, POLLIN, 0}};
        std::vector<quint64> serials;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            for (const auto &[serial, connection] : m_connections) {
                fds.push_back({connection->fd, POLLIN, 0});
                serials.push_back(serial);
            }
        }
        if (::poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR)
            return;
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        if (fds[1].revents & POLLIN)
            accept();
        for (size_t i = 0; i < serials.size(); ++i) {
            if (!fds[i + 2].revents)
                continue;
            const auto found = m_connections.find(serials[i]);
            if (found != m_connections.end() && !receive(*found->second))
                close(serials[i]);
        }
        timeoutMs = closeSilent();
    }
}

void BrowserHostServer::accept()
{
    const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return;
    ucred peer = {};
    socklen_t length = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::getuid()) {
        ::close(fd);
        return;
    }
    // Silent connections have a cap of their own, so a flood of them neither
    // shuts out a browser's host nor runs us out of descriptors. The newcomer
    // may be a host about to say hello: the oldest silent one makes way.
    const auto isSilent = [](const auto &entry) { return entry.second->browserPID == 0; };
    if (std::count_if(m_connections.begin(), m_connections.end(), isSilent) >=
        kMaxSilentConnections)
        close(std::find_if(m_connections.begin(), m_connections.end(), isSilent)->first);
    const quint64 serial = ++m_nextSerial;
    m_connections.emplace(
        serial, std::make_unique<Connection>(serial, fd, peer.pid, m_clock.now() + kHelloTimeout));
}

int BrowserHostServer::closeSilent()
{
    const Seconds now = m_clock.now();
    // Serials and deadlines grow together: the first silent connection still
    // in time is the next one due.
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        const Connection &connection = *(it++)->second;
        if (connection.browserPID != 0)
            continue;
        const Seconds left = connection.helloDeadline - now;
        if (left > Seconds(0))
            return int(std::ceil(left.count() * 1000));
        close(connection.serial);
    }
    return -1;
}

bool BrowserHostServer::receive(Connection &connection)
{
    char buffer[kReadChunk];
    const ssize_t n = ::read(connection.fd, buffer, sizeof buffer);
    if (n < 0)
        return errno == EAGAIN || errno == EINTR;
    if (n == 0)
        return false;
    connection.reader.append(buffer, n);
    while (const auto body = connection.reader.next()) {
        m_bytesRelayed += 4 + body->size();
        if (!handle(connection, *body))
            return false;
    }
    // A length over the cap: the rest of the stream cannot be trusted.
    return !connection.reader.isBroken();
}

bool BrowserHostServer::handle(Connection &connection, const QByteArray &body)
{
    const QJsonObject message = QJsonDocument::fromJson(body).object();
    if (connection.browserPID == 0) {
        // The first message names the browser; it must be the host's parent,
        // so a process cannot speak for a browser it was not started by.
        const qint32 browser = message.value(QStringLiteral("pid")).toInt();
        const bool valid =
            message.value(QStringLiteral("type")) == QStringLiteral("hello") &&
            kBrowsers.contains(message.value(QStringLiteral("browser")).toString()) &&
            browser > 0 && browser == parentOf(connection.peerPID);
        const auto hosts =
            std::count_if(m_connections.begin(), m_connections.end(),
                          [](const auto &entry) { return entry.second->browserPID != 0; });
        if (!valid || hosts >= kMaxConnections)
            return false;
        connection.browserPID = browser;
        return true;
    }
    const auto id = message.value(QStringLiteral("id"));
    if (!id.isDouble())
        return true;
    const auto pending = m_pending.find(qint64(id.toDouble()));
    if (pending != m_pending.end() && pending->second.connection == connection.serial &&
        !pending->second.reply) {
        pending->second.reply = message;
        m_settled.notify_all();
    }
    return true;
}

void BrowserHostServer::close(quint64 serial)
{
    const auto found = m_connections.find(serial);
    if (found == m_connections.end())
        return;
    ::close(found->second->fd);
    m_connections.erase(found);
    for (auto &[id, pending] : m_pending) {
        if (pending.connection == serial)
            pending.dropped = true;
    }
    m_settled.notify_all();
}

BrowserHostServer::Connection *BrowserHostServer::hostOf(qint32 processID) const
{
    // The newest host wins: a reloaded extension starts a new one before the
    // old one has gone.
    Connection *newest = nullptr;
    for (const auto &[serial, connection] : m_connections) {
        if (processID > 0 && connection->browserPID == processID)
            newest = connection.get();
    }
    return newest;
}

bool BrowserHostServer::isConnected(qint32 processID) const
{
    std::lock_guard lock(m_mutex);
    return hostOf(processID) != nullptr;
}

std::vector<qint32> BrowserHostServer::connectedBrowsers() const
{
    std::lock_guard lock(m_mutex);
    std::vector<qint32> browsers;
    for (const auto &[serial, connection] : m_connections) {
        const qint32 browser = connection->browserPID;
        if (browser != 0 && std::find(browsers.begin(), browsers.end(), browser) == browsers.end())
            browsers.push_back(browser);
    }
    return browsers;
}

BrowserHostServer::Reply BrowserHostServer::request(qint32 processID, QJsonObject message,
                                                    Seconds timeout)
{
    using Steady = std::chrono::steady_clock;
    const auto deadline =
        Steady::now() + std::chrono::duration_cast<Steady::duration>(std::max(timeout, Seconds(0)));
    std::unique_lock lock(m_mutex);
    Connection *host = hostOf(processID);
    if (!host) {
        lock.unlock();
        return {isAlive(processID) ? Outcome::notConnected : Outcome::notRunning, {}};
    }
    const qint64 id = ++m_nextID;
    message.insert(QStringLiteral("id"), double(id));
    const QByteArray frame =
        BrowserFrameReader::frame(QJsonDocument(message).toJson(QJsonDocument::Compact));
    if (frame.size() - 4 > kMaxMessageBytes)
        return {Outcome::tooLarge, {}};
    // Requests are small and the socket buffer large: a host that lets it
    // fill up is stuck, which is a time-out to the caller.
    const ssize_t sent =
        ::send(host->fd, frame.constData(), size_t(frame.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent != ssize_t(frame.size())) {
        // Half a frame would garble every later one: end the connection.
        if (sent > 0)
            ::shutdown(host->fd, SHUT_RDWR);
        return {sent < 0 && errno == EAGAIN ? Outcome::timedOut : Outcome::notConnected, {}};
    }
    m_bytesRelayed += frame.size();
    m_pending[id] = Pending{host->serial, std::nullopt, false};
    m_settled.wait_until(lock, deadline, [&] {
        const Pending &pending = m_pending[id];
        return pending.reply || pending.dropped || m_stopping;
    });
    const Pending pending = m_pending[id];
    m_pending.erase(id);
    lock.unlock();
    if (pending.reply)
        return {Outcome::answered, *pending.reply};
    if (!pending.dropped)
        return {Outcome::timedOut, {}};
    // The host left: its browser is quitting, or the extension went away.
    const auto graceEnd = std::min(
        deadline, Steady::now() + std::chrono::duration_cast<Steady::duration>(kQuitGrace));
    while (isAlive(processID) && Steady::now() < graceEnd)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return {isAlive(processID) ? Outcome::notConnected : Outcome::notRunning, {}};
}
