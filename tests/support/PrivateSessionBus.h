#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

/// A session bus of this test's own, so that players other tests put on
/// the shared bus of the run (fakes, a browser's media entry) never answer
/// for this test's. Start it before anything of the process touches the
/// session bus: the address is read once, at first use; programs the test
/// starts inherit it.
class PrivateSessionBus
{
public:
    PrivateSessionBus() = default;
    PrivateSessionBus(const PrivateSessionBus &) = delete;
    PrivateSessionBus &operator=(const PrivateSessionBus &) = delete;
    ~PrivateSessionBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    /// Starts the bus and points this process at it; false when it could
    /// not be started.
    bool start()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted() || !m_daemon.waitForReadyRead(10'000))
            return false;
        const QByteArray address = m_daemon.readLine().trimmed();
        if (address.isEmpty())
            return false;
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        return true;
    }

private:
    QProcess m_daemon;
};
