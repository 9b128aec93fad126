#include "platform/desktop/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

constexpr char kReopenMessage[] = "reopen\n";
constexpr qint64 kMaxMessageBytes = 64;

QString runtimeFolder(const QString &folder)
{
    if (!folder.isEmpty())
        return folder;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

} // namespace

SingleInstance::SingleInstance(const QString &folder, QObject *parent) : QObject(parent)
{
    const QDir dir(runtimeFolder(folder));
    m_lockPath = dir.filePath(QStringLiteral("velloway.lock"));
    m_socketPath = dir.filePath(QStringLiteral("velloway.socket"));
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

SingleInstance::Result SingleInstance::acquire()
{
    auto lock = std::make_unique<QLockFile>(m_lockPath);
    // Age alone never makes a lock stale; one whose process is gone is.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return lock->error() == QLockFile::LockFailedError ? Result::HeldByAnother
                                                           : Result::Unavailable;
    m_lock = std::move(lock);

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock makes any socket file left here a leftover of a copy
    // that died.
    QLocalServer::removeServer(m_socketPath);
    m_server->listen(m_socketPath);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                // Anything longer than the one short message is not ours.
                if (!socket->canReadLine() && socket->bytesAvailable() < kMaxMessageBytes)
                    return;
                const QByteArray line = socket->readLine(kMaxMessageBytes);
                if (line == kReopenMessage)
                    emit reopenRequested();
                socket->disconnectFromServer();
            });
        }
    });
    return Result::Acquired;
}

bool SingleInstance::askRunningCopyToReopen(int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kReopenMessage);
    const bool written = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return written;
}
