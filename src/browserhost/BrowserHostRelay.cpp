#include "browserhost/BrowserHostRelay.h"

#include "platform/browser/BrowserHostAddress.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A connect to a socket that is not there costs one system call: trying twice
// a second finds the program soon after it starts, however long the browser
// ran without it.
constexpr int kFirstRetryMs = 250;
constexpr int kLastRetryMs = 500;

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) {
            const ssize_t w = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            done += w;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

void say(const char *text)
{
    std::fprintf(stderr, "velloway-browser-host: %s\n", text);
}

} // namespace

QString BrowserHostRelay::browserOf(const QString &executablePath)
{
    const QString name = QFileInfo(executablePath).fileName();
    if (name == QLatin1String("chrome") || name.startsWith(QLatin1String("google-chrome")))
        return QStringLiteral("chrome");
    if (name == QLatin1String("chromium") || name == QLatin1String("chromium-browser"))
        return QStringLiteral("chromium");
    if (name == QLatin1String("brave") || name.startsWith(QLatin1String("brave-browser")))
        return QStringLiteral("brave");
    if (name == QLatin1String("msedge") || name.startsWith(QLatin1String("microsoft-edge")))
        return QStringLiteral("edge");
    // Firefox starts its hosts from its main process, whatever the build calls it.
    if (name == QLatin1String("firefox") || name == QLatin1String("firefox-esr") ||
        name == QLatin1String("firefox-bin"))
        return QStringLiteral("firefox");
    return {};
}

int BrowserHostRelay::run()
{
    // Standard output belongs to the browser's framing: anything printed by
    // mistake would corrupt it, so fd 1 now points at standard error.
    m_toBrowser = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    if (m_toBrowser < 0)
        return 1;

    const QString browser =
        browserOf(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(::getppid())));
    if (browser.isEmpty()) {
        say("not started by Chrome, Chromium, Brave, Edge or Firefox");
        return 1;
    }

    int retryMs = kFirstRetryMs;
    for (;;) {
        if (m_program < 0) {
            if (connectToProgram(browser))
                retryMs = kFirstRetryMs;
        }
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {m_program, POLLIN, 0}};
        const int count = m_program >= 0 ? 2 : 1;
        // Without the program, wake now and then to try again.
        const int ready = ::poll(fds, nfds_t(count), m_program >= 0 ? -1 : retryMs);
        if (ready < 0 && errno != EINTR)
            return 1;
        if (m_program < 0)
            retryMs = std::min(retryMs * 2, kLastRetryMs);
        if (fds[0].revents && !fromBrowser())
            return m_browserFrames.isBroken() ? 1 : 0;
        if (count == 2 && fds[1].revents)
            fromProgram();
    }
}

bool BrowserHostRelay::connectToProgram(const QString &browser)
{
    const int fd = BrowserHostAddress::connectToProgram();
    if (fd < 0)
        return false;
    const QJsonObject hello{{QStringLiteral("type"), QStringLiteral("hello")},
                            {QStringLiteral("browser"), browser},
                            {QStringLiteral("pid"), qint64(::getppid())}};
    if (!writeAll(fd,
                  BrowserFrameReader::frame(QJsonDocument(hello).toJson(QJsonDocument::Compact)))) {
        ::close(fd);
        return false;
    }
    m_program = fd;
    return true;
}

void BrowserHostRelay::dropProgram()
{
    if (m_program >= 0)
        ::close(m_program);
    m_program = -1;
    m_programFrames = BrowserFrameReader(kMaxRelayedBytes);
}

bool BrowserHostRelay::fromBrowser()
{
    char buffer[65'536];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN;
    if (n == 0)
        return false; // the browser closed the pipe: it is done with us
    m_browserFrames.append(buffer, n);
    while (const auto body = m_browserFrames.next()) {
        // Larger answers are not passed on; the program's request times out.
        if (body->size() <= kMaxRelayedBytes && m_program >= 0 &&
            !writeAll(m_program, BrowserFrameReader::frame(*body)))
            dropProgram();
    }
    if (m_browserFrames.isBroken())
        say("refused a message longer than 1 MiB from the browser");
    return !m_browserFrames.isBroken();
}

void BrowserHostRelay::fromProgram()
{
    char buffer[65'536];
    const ssize_t n = ::read(m_program, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        dropProgram();
        return;
    }
    m_programFrames.append(buffer, n);
    while (const auto body = m_programFrames.next())
        writeAll(m_toBrowser, BrowserFrameReader::frame(*body));
    if (m_programFrames.isBroken())
        dropProgram();
}
