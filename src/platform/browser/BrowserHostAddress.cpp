#include "platform/browser/BrowserHostAddress.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace BrowserHostAddress {

int connectToProgram()
{
    const auto path = socketPath(false);
    if (!path)
        return -1;
    const QByteArray encoded = QFile::encodeName(*path);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (size_t(encoded.size()) >= sizeof address.sun_path)
        return -1;
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool isPrivateFolder(const QString &path)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    return S_ISDIR(status.st_mode) && status.st_uid == ::getuid() && (status.st_mode & 077) == 0;
}

std::optional<QString> folder(bool create)
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return std::nullopt;
    const QString path = QDir::cleanPath(runtime + QStringLiteral("/Velloway"));
    if (create)
        ::mkdir(QFile::encodeName(path).constData(), 0700);
    if (!isPrivateFolder(path))
        return std::nullopt;
    return path;
}

std::optional<QString> socketPath(bool create)
{
    const auto base = folder(create);
    if (!base)
        return std::nullopt;
    return *base + QStringLiteral("/browser-host.sock");
}

} // namespace BrowserHostAddress
