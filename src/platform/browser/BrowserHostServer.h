#pragma once

#include "core/Clock.h"
#include "core/SystemClock.h"

#include <QJsonObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class BrowserFrameReader;

/// The program's end of the browsers' native hosts: a local socket on which
/// each browser's host (spawned by the browser for the Velloway extension)
/// connects, says which browser it serves, and relays requests to the
/// extension and its answers back. Connections are served on one thread of
/// their own; `request` may be called from any thread and blocks.
///
/// A host is accepted only from this user, and only for the browser that is
/// really its parent process. Several browsers may be connected at once. A
/// connection counts as a host once its first message (the hello) names its
/// browser; one that stays silent cannot keep a browser's host out.
class BrowserHostServer
{
public:
    /// Longest message relayed in either direction, in bytes.
    static constexpr qsizetype kMaxMessageBytes = 65'536;
    /// Most hosts connected at once; a host past it is closed at its hello.
    static constexpr int kMaxConnections = 16;
    /// Most connections without a hello; past it the oldest is closed.
    static constexpr int kMaxSilentConnections = 64;
    /// How long a connection may stay without a hello before it is closed.
    static constexpr Seconds kHelloTimeout{2};

    /// How a request ended.
    enum class Outcome
    {
        answered,
        notConnected, // no host of that browser is connected: the extension is missing or off
        notRunning,   // the browser is not running, or quit meanwhile
        timedOut,
        tooLarge, // the request is longer than kMaxMessageBytes
    };

    struct Reply
    {
        Outcome outcome = Outcome::answered;
        QJsonObject message; // the extension's answer, when answered
    };

    /// Listens on `socketPath` (replacing a stale socket there). `clock`
    /// times the hellos; the server's own thread reads it.
    explicit BrowserHostServer(QString socketPath, const Clock &clock = SystemClock::shared());
    /// Closes every connection and removes the socket.
    ~BrowserHostServer();
    BrowserHostServer(const BrowserHostServer &) = delete;
    BrowserHostServer &operator=(const BrowserHostServer &) = delete;

    bool isListening() const { return m_listener >= 0; }
    const QString &socketPath() const { return m_path; }

    /// Sends `message` to the extension in the browser `processID` and waits
    /// up to `timeout` for its answer.
    Reply request(qint32 processID, QJsonObject message, Seconds timeout);

    /// Whether a host of the browser `processID` is connected.
    bool isConnected(qint32 processID) const;
    /// The browsers with a host connected, each once, oldest connection first.
    std::vector<qint32> connectedBrowsers() const;

    /// Message bytes relayed so far (both directions, prefixes included).
    qint64 bytesRelayed() const { return m_bytesRelayed.load(); }

    /// The process-wide server at the runtime folder's socket.
    static BrowserHostServer &shared();

    /// Whether `processID` names a live process (not a zombie).
    static bool isAlive(qint32 processID);
    /// The parent of `processID`, or 0.
    static qint32 parentOf(qint32 processID);

private:
    struct Connection;
    struct Pending
    {
        quint64 connection = 0;
        std::optional<QJsonObject> reply;
        bool dropped = false;
    };

    void run();
    void accept();
    /// Closes the connections whose hello is overdue; the milliseconds until
    /// the next one is, or -1 when none waits.
    int closeSilent();
    /// False when the connection must close.
    bool receive(Connection &connection);
    bool handle(Connection &connection, const QByteArray &body);
    void close(quint64 serial);
    Connection *hostOf(qint32 processID) const;

    QString m_path;
    const Clock &m_clock;
    int m_listener = -1;
    int m_wake = -1;
    std::atomic<qint64> m_bytesRelayed{0};

    mutable std::mutex m_mutex;
    std::condition_variable m_settled;
    std::map<quint64, std::unique_ptr<Connection>> m_connections; // by serial
    std::map<qint64, Pending> m_pending;                          // by request id
    quint64 m_nextSerial = 0;
    qint64 m_nextID = 0;
    bool m_stopping = false;
    std::thread m_thread;
};
