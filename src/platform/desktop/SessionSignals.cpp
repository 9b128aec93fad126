#include "platform/desktop/SessionSignals.h"

#include <QDBusConnection>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The signal handler may only write to a pipe; the notifier turns that into
// an ordinary event on the main thread.
int s_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(s_signalPipe[0], &byte, 1);
}

} // namespace

SessionSignals::SessionSignals(QObject *parent) : QObject(parent) {}

SessionSignals::~SessionSignals()
{
    if (m_notifier) {
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
    }
}

void SessionSignals::start()
{
    if (m_notifier)
        return;
    if (s_signalPipe[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_signalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(s_signalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        [[maybe_unused]] const auto drained = ::read(s_signalPipe[1], buffer, sizeof buffer);
        emit terminationRequested();
    });

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected()) {
        system.connect(QStringLiteral("org.freedesktop.login1"),
                       QStringLiteral("/org/freedesktop/login1"),
                       QStringLiteral("org.freedesktop.login1.Manager"),
                       QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
    }
}

void SessionSignals::prepareForSleep(bool sleeping)
{
    if (!sleeping)
        emit woke();
}
