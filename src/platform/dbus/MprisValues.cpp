#include "platform/dbus/MprisValues.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace MprisValues {

QVariantMap map(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const auto argument = value.value<QDBusArgument>();
        if (argument.currentSignature() != QLatin1String("a{sv}"))
            return {};
        QVariantMap result;
        argument >> result;
        return result;
    }
    if (value.metaType().id() == QMetaType::QVariantMap)
        return value.toMap();
    return {};
}

QVariant firstArgument(const QDBusMessage &reply)
{
    const QVariantList arguments = reply.arguments();
    if (arguments.isEmpty())
        return {};
    const QVariant value = arguments.first();
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        return value.value<QDBusVariant>().variant();
    return value;
}

// QDBusObjectPath accepts any text; a call with an invalid path would fail
// on the wire, so check the grammar before using a player's track id as one.
bool isObjectPath(const QString &path)
{
    if (path == QLatin1String("/"))
        return true;
    if (!path.startsWith(u'/') || path.endsWith(u'/') || path.contains(QLatin1String("//")))
        return false;
    for (QChar c : path) {
        const char16_t u = c.unicode();
        if (!((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
              u == '_' || u == '/'))
            return false;
    }
    return true;
}

bool meansGone(const QString &errorName)
{
    return errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
           errorName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
           errorName == QLatin1String("org.freedesktop.DBus.Error.Disconnected");
}

bool meansTimeout(const QString &errorName)
{
    return errorName == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
           errorName == QLatin1String("org.freedesktop.DBus.Error.Timeout") ||
           errorName == QLatin1String("org.freedesktop.DBus.Error.TimedOut");
}

bool isNameOf(const QString &name, const QString &service)
{
    return name == service || (name.size() > service.size() + 1 && name.startsWith(service) &&
                               name.at(service.size()) == u'.');
}

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

// O_NONBLOCK keeps a FIFO from blocking the open; fstat then refuses it.
std::optional<QByteArray> readSmallFile(const QString &path, qint64 limit)
{
    const FileDescriptor fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return std::nullopt;
    struct stat status = {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > limit)
        return std::nullopt;
    QByteArray data(qsizetype(limit) + 1, Qt::Uninitialized);
    qsizetype total = 0;
    while (total < data.size()) {
        const ssize_t n = ::read(fd.get(), data.data() + total, size_t(data.size() - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        total += n;
    }
    if (total > limit)
        return std::nullopt; // grew while being read
    data.truncate(total);
    return data;
}

} // namespace MprisValues
