#include "platform/dbus/MprisServiceDirectory.h"

#include "platform/dbus/MprisValues.h"

#include <QCoreApplication>

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>

#include <algorithm>

namespace {
const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");
const QLatin1String kPrefix(MprisValues::kServicePrefix);
} // namespace

MprisServiceDirectory::MprisServiceDirectory(QDBusConnection bus, QObject *parent)
    : QObject(parent), m_bus(std::move(bus))
{
    m_bus.connect(kBusService, kBusPath, kBusService, QStringLiteral("NameOwnerChanged"), this,
                  SLOT(onNameOwnerChanged(QString, QString, QString)));
    ask(QStringLiteral("ListNames"), {}, [this](const QDBusMessage &reply) {
        for (const QString &name : reply.arguments().value(0).toStringList()) {
            if (!name.startsWith(kPrefix))
                continue;
            ask(QStringLiteral("GetNameOwner"), {name}, [this, name](const QDBusMessage &owner) {
                if (!m_services.contains(name))
                    learnOwner(name, owner.arguments().value(0).toString());
            });
        }
    });
}

template <typename Fn>
void MprisServiceDirectory::ask(const QString &method, const QVariantList &arguments, Fn &&onReply)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, method);
    message.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    const bool counted = !m_isReady;
    m_pending += counted;
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this,
        [this, counted, onReply = std::forward<Fn>(onReply)](QDBusPendingCallWatcher *finished) {
            finished->deleteLater();
            const QDBusMessage reply = finished->reply();
            if (reply.type() == QDBusMessage::ReplyMessage)
                onReply(reply);
            // Replies that ask further are counted before this one ends.
            if (counted && --m_pending == 0 && !m_isReady) {
                m_isReady = true;
                emit ready();
            }
        });
}

void MprisServiceDirectory::onNameOwnerChanged(const QString &name, const QString &,
                                               const QString &newOwner)
{
    if (name.startsWith(kPrefix))
        learnOwner(name, newOwner);
}

void MprisServiceDirectory::learnOwner(const QString &name, const QString &owner)
{
    if (owner.isEmpty()) {
        if (m_services.remove(name) > 0)
            emit changed();
        return;
    }
    const auto known = m_services.find(name);
    if (known != m_services.end() && known->owner == owner)
        return;
    if (known == m_services.end() && m_services.size() >= kMaxServices &&
        !MprisValues::isNameOf(name, QLatin1String(MprisValues::kSpotifyService)))
        return;
    m_services.insert(name, Entry{owner, std::nullopt, ++m_sequence});
    emit changed();
    ask(QStringLiteral("GetConnectionUnixProcessID"), {owner},
        [this, name, owner](const QDBusMessage &reply) {
            const auto it = m_services.find(name);
            if (it == m_services.end() || it->owner != owner)
                return; // the name moved on while we asked
            it->processID = qint32(reply.arguments().value(0).toUInt());
            emit changed();
        });
}

QList<const MprisServiceDirectory::Entry *>
MprisServiceDirectory::entries(const QString &service) const
{
    QList<const Entry *> found;
    if (const auto exact = m_services.find(service); exact != m_services.end())
        found.append(&*exact);
    const QString instances = service + u'.';
    for (auto it = m_services.lowerBound(instances);
         it != m_services.end() && it.key().startsWith(instances); ++it)
        found.append(&*it);
    return found;
}

QStringList MprisServiceDirectory::owners(const QString &service) const
{
    QStringList found;
    for (const Entry *entry : entries(service))
        found.append(entry->owner);
    return found;
}

std::optional<qint32> MprisServiceDirectory::processID(const QString &service) const
{
    for (const Entry *entry : entries(service)) {
        if (entry->processID)
            return entry->processID;
    }
    return std::nullopt;
}

MprisServiceDirectory &MprisServiceDirectory::shared()
{
    static QPointer<MprisServiceDirectory> directory;
    if (!directory)
        directory =
            new MprisServiceDirectory(QDBusConnection::sessionBus(), QCoreApplication::instance());
    return *directory;
}

QStringList MprisServiceDirectory::names() const
{
    QList<std::pair<quint64, QString>> ordered;
    for (auto it = m_services.begin(); it != m_services.end(); ++it)
        ordered.append({it->sequence, it.key()});
    std::sort(ordered.begin(), ordered.end());
    QStringList result;
    for (const auto &entry : ordered)
        result.append(entry.second);
    return result;
}

QString MprisServiceDirectory::owner(const QString &name) const
{
    return m_services.value(name).owner;
}

std::optional<qint32> MprisServiceDirectory::processIDOf(const QString &name) const
{
    const auto it = m_services.find(name);
    return it == m_services.end() ? std::nullopt : it->processID;
}
