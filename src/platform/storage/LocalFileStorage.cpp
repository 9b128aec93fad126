#include "platform/storage/LocalFileStorage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// Retries the calls that a signal may interrupt.
template <typename Call> auto retrying(Call call)
{
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

bool writeFully(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = retrying([&] { return ::write(fd, data, size_t(left)); });
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

// All of `fd` if it holds at most `maxBytes`; a file that grew past the cap
// since it was measured is refused after `maxBytes` + 1 bytes.
std::optional<QByteArray> readAtMost(int fd, qint64 maxBytes)
{
    QByteArray bytes;
    char buffer[65'536];
    while (bytes.size() <= maxBytes) {
        const qint64 wanted = std::min<qint64>(sizeof buffer, maxBytes + 1 - bytes.size());
        const ssize_t got = retrying([&] { return ::read(fd, buffer, size_t(wanted)); });
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return bytes;
        bytes.append(buffer, got);
    }
    return std::nullopt;
}

// Makes the rename itself durable; a failure here does not undo the rename,
// so it is not reported.
void syncFolder(const QByteArray &folder)
{
    const int fd = retrying([&] { return ::open(folder.constData(), O_RDONLY | O_DIRECTORY); });
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool LocalFileStorage::exists(const QString &path) const
{
    struct stat info;
    return !path.isEmpty() && ::stat(native(path).constData(), &info) == 0;
}

std::optional<QByteArray> LocalFileStorage::readAll(const QString &path, qint64 maxBytes) const
{
    // Without O_NONBLOCK, opening a pipe waits for a writer that may never
    // come; the type and size are then checked on what was opened, so a
    // swap after a check cannot slip a device or a huge file past it.
    const int fd = retrying([&] {
        return ::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    });
    if (fd < 0)
        return std::nullopt;
    struct stat info;
    std::optional<QByteArray> bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= maxBytes)
        bytes = readAtMost(fd, maxBytes);
    ::close(fd);
    return bytes;
}

bool LocalFileStorage::createFolder(const QString &path)
{
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    struct stat info;
    if (::stat(native(clean).constData(), &info) == 0)
        return S_ISDIR(info.st_mode);
    // Create from the top down so that every folder made here gets 0700 at
    // birth, never a moment with wider permissions.
    const QStringList parts = clean.split(u'/', Qt::SkipEmptyParts);
    QString current;
    for (const QString &part : parts) {
        current += u'/' + part;
        const QByteArray name = native(current);
        if (::mkdir(name.constData(), 0700) == 0) {
            ::chmod(name.constData(), 0700); // the umask may have narrowed it
            continue;
        }
        if (errno != EEXIST)
            return false;
    }
    return ::stat(native(clean).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool LocalFileStorage::setPermissions(const QString &path, unsigned mode)
{
    return ::chmod(native(path).constData(), mode_t(mode)) == 0;
}

bool LocalFileStorage::writeAtomically(const QString &path, const QByteArray &bytes)
{
    const QFileInfo target(path);
    const QByteArray folder = native(target.absolutePath());
    // The temporary file lives beside the target so that the final rename
    // stays on one file system and is atomic; mkstemp creates it 0600.
    QByteArray pattern = folder + "/." + native(target.fileName()) + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    bool ok = writeFully(fd, bytes);
    // Without fsync a crash soon after the rename can leave an empty file
    // under the old name on some file systems.
    ok = ok && retrying([&] { return ::fsync(fd); }) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(pattern.constData(), native(target.absoluteFilePath()).constData()) == 0;
    if (!ok) {
        ::unlink(pattern.constData());
        return false;
    }
    syncFolder(folder);
    return true;
}

LocalFileStorage &LocalFileStorage::shared()
{
    static LocalFileStorage storage;
    return storage;
}
