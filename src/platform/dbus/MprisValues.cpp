#include "platform/dbus/MprisValues.h"

#include <QDBusArgument>
#include <QDBusVariant>

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

} // namespace MprisValues
