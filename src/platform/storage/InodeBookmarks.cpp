#include "platform/storage/InodeBookmarks.h"

#include <QFile>

#include <sys/stat.h>

namespace {

// Layout: magic line, device, inode, then the path's native bytes (which may
// hold any byte but NUL, newlines included), e.g. "velloway-bookmark-1\n2049\n1234\n/home/a".
constexpr QByteArrayView kMagic = "velloway-bookmark-1";

struct Identity
{
    quint64 device = 0;
    quint64 inode = 0;
};

std::optional<Identity> identityOf(const QByteArray &nativePath)
{
    struct stat info;
    if (nativePath.isEmpty() || ::stat(nativePath.constData(), &info) != 0)
        return std::nullopt;
    return Identity{quint64(info.st_dev), quint64(info.st_ino)};
}

std::optional<quint64> number(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 20)
        return std::nullopt;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    bool ok = false;
    const quint64 value = text.toULongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

std::optional<QByteArray> InodeBookmarks::create(const QUrl &url) const
{
    if (!url.isLocalFile())
        return std::nullopt;
    const QByteArray path = QFile::encodeName(url.toLocalFile());
    const auto identity = identityOf(path);
    if (!identity)
        return std::nullopt;
    return kMagic.toByteArray() + '\n' + QByteArray::number(identity->device) + '\n' +
           QByteArray::number(identity->inode) + '\n' + path;
}

std::optional<FileBookmarks::Resolved> InodeBookmarks::resolve(const QByteArray &bookmark) const
{
    const QByteArrayView bytes(bookmark);
    const qsizetype first = bytes.indexOf('\n');
    if (first < 0 || bytes.first(first) != kMagic)
        return std::nullopt;
    const qsizetype second = bytes.indexOf('\n', first + 1);
    const qsizetype third = second < 0 ? -1 : bytes.indexOf('\n', second + 1);
    if (third < 0)
        return std::nullopt;
    const auto device = number(bytes.sliced(first + 1, second - first - 1));
    const auto inode = number(bytes.sliced(second + 1, third - second - 1));
    const QByteArray path = bytes.sliced(third + 1).toByteArray();
    if (!device || !inode || path.isEmpty() || !path.startsWith('/') || path.contains('\0'))
        return std::nullopt;
    const auto now = identityOf(path);
    if (!now)
        return std::nullopt;
    const bool stale = now->device != *device || now->inode != *inode;
    return Resolved{QUrl::fromLocalFile(QFile::decodeName(path)), stale};
}

InodeBookmarks &InodeBookmarks::shared()
{
    static InodeBookmarks bookmarks;
    return bookmarks;
}
