#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QRect>

/// What assistive technology reads of the programs on the display, through
/// the accessibility bus: every visible object, depth first from the root.
namespace AccessibleTree {

struct Accessible
{
    QString name;
    QString description;
    QRect extents; // on the screen
};

inline void collect(const QDBusConnection &bus, const QString &service, const QString &path,
                    int depth, QList<Accessible> &found)
{
    const auto call = [&](const char *interface, const char *method,
                          const QVariantList &arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return bus.call(message, QDBus::Block, 5000).arguments().value(0);
    };
    const auto text = [&](const char *property) {
        return call("org.freedesktop.DBus.Properties", "Get",
                    {"org.a11y.atspi.Accessible", property})
            .value<QDBusVariant>()
            .variant()
            .toString();
    };
    const auto state = qdbus_cast<QList<uint>>(call("org.a11y.atspi.Accessible", "GetState"));
    if (depth > 24 || (depth > 1 && !(state.value(0) & 1u << 30))) // bit 30: visible
        return;
    QRect extents;
    call("org.a11y.atspi.Component", "GetExtents", {0u}).value<QDBusArgument>() >> extents;
    found.append({text("Name"), text("Description"), extents});
    QList<std::pair<QString, QDBusObjectPath>> children;
    call("org.a11y.atspi.Accessible", "GetChildren").value<QDBusArgument>() >> children;
    for (const auto &[childService, childPath] : children)
        collect(bus, childService, childPath.path(), depth + 1, found);
}

inline QList<Accessible> all()
{
    const QDBusReply<QString> address =
        QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"));
    QList<Accessible> found;
    collect(QDBusConnection::connectToBus(address.value(), "a11y"), "org.a11y.atspi.Registry",
            "/org/a11y/atspi/accessible/root", 0, found);
    return found;
}

/// The first visible object called or described as `words`; empty when
/// there is none.
inline Accessible find(const QString &words)
{
    for (const Accessible &object : all()) {
        if (object.name == words || object.description == words)
            return object;
    }
    return {};
}

} // namespace AccessibleTree
