#include "platform/browser/BrowserHostAddress.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace BrowserHostAddress {

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
