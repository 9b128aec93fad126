#include "support/FakeMprisPlayer.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QMetaObject>

#include <atomic>

namespace {

const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kRootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

std::atomic<int> g_connections = 0;

} // namespace

FakeMprisPlayer::FakeMprisPlayer(QString serviceName, QObject *parent)
    : QDBusVirtualObject(parent), m_serviceName(std::move(serviceName)),
      m_connectionName(QStringLiteral("fake-mpris-%1").arg(++g_connections)),
      m_connection(QString())
{
    m_properties = {{"PlaybackStatus", "Stopped"},
                    {"Volume", 1.0},
                    {"Position", qlonglong(0)},
                    {"Metadata", QVariantMap()},
                    {"CanControl", true},
                    {"CanPlay", true},
                    {"CanPause", true},
                    {"CanSeek", true},
                    {"CanGoNext", true},
                    {"CanGoPrevious", true},
                    {"Rate", 1.0}};
}

FakeMprisPlayer::~FakeMprisPlayer()
{
    vanish();
}

bool FakeMprisPlayer::start()
{
    m_connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    if (!m_connection.isConnected())
        return false;
    m_started = true;
    m_uniqueName = m_connection.baseService();
    return m_connection.registerVirtualObject(kPath, this) &&
           m_connection.registerService(m_serviceName);
}

void FakeMprisPlayer::vanish()
{
    if (!m_started)
        return;
    m_started = false;
    m_connection.unregisterObject(kPath);
    m_connection = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(m_connectionName);
}

QVariantMap FakeMprisPlayer::spotifyMetadata(const QString &id, const QString &title,
                                             const QStringList &artists, const QString &album,
                                             qulonglong lengthMicroseconds)
{
    return {
        {"mpris:trackid", "/com/spotify/track/" + id},
        {"mpris:length", QVariant::fromValue(lengthMicroseconds)},
        {"mpris:artUrl", "https://open.spotify.com/image/ab67616d0000b2730123456789abcdef01234567"},
        {"xesam:title", title},
        {"xesam:artist", artists},
        {"xesam:album", album},
        {"xesam:albumArtist", artists},
        {"xesam:url", "https://open.spotify.com/track/" + id},
        {"xesam:trackNumber", 3},
        {"xesam:discNumber", 1},
        {"xesam:autoRating", 0.5}};
}

QVariantMap FakeMprisPlayer::standardMetadata(const QString &trackPath, const QString &title,
                                              const QStringList &artists, const QString &album,
                                              qlonglong lengthMicroseconds)
{
    return {{"mpris:trackid", QVariant::fromValue(QDBusObjectPath(trackPath))},
            {"mpris:length", QVariant::fromValue(lengthMicroseconds)},
            {"xesam:title", title},
            {"xesam:artist", artists},
            {"xesam:album", album}};
}

void FakeMprisPlayer::setPlayerProperty(const QString &name, const QVariant &value)
{
    m_properties.insert(name, value);
    if (name == QLatin1String("Position") || !m_started)
        return;
    // Qt's adaptors do not announce property changes themselves, and real
    // players send exactly this signal.
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kPropertiesInterface,
                                                     QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << QVariantMap{{name, value}} << QStringList();
    m_connection.send(signal);
}

void FakeMprisPlayer::emitSeeked(qlonglong microseconds)
{
    m_properties.insert(QStringLiteral("Position"), microseconds);
    if (!m_started)
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, kPlayerInterface, QStringLiteral("Seeked"));
    signal << microseconds;
    m_connection.send(signal);
}

QList<FakeMprisPlayer::Call> FakeMprisPlayer::calls(const QString &method) const
{
    QList<Call> matching;
    for (const Call &call : m_calls)
        if (call.method == method)
            matching.append(call);
    return matching;
}

void FakeMprisPlayer::reply(const QDBusMessage &message, const QVariantList &arguments)
{
    m_connection.send(message.createReply(arguments));
}

void FakeMprisPlayer::fail(const QDBusMessage &message, const QString &name)
{
    m_connection.send(message.createErrorReply(name, QStringLiteral("not here")));
}

bool FakeMprisPlayer::handleMessage(const QDBusMessage &message, const QDBusConnection &)
{
    const QString method = message.member();
    const QVariantList arguments = message.arguments();
    m_calls.append({method, arguments});
    if (m_silent)
        return true;

    if (message.interface() == kPropertiesInterface) {
        const QString interface = arguments.value(0).toString();
        if (method == QLatin1String("GetAll")) {
            reply(message, {interface == kPlayerInterface ? m_properties
                            : interface == kRootInterface ? m_rootProperties
                                                          : QVariantMap{}});
        } else if (method == QLatin1String("Get")) {
            const QString name = arguments.value(1).toString();
            if (interface == kPlayerInterface && m_properties.contains(name))
                reply(message, {QVariant::fromValue(QDBusVariant(m_properties.value(name)))});
            else
                fail(message, QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"));
        } else if (method == QLatin1String("Set")) {
            reply(message, {});
            const QVariant value = arguments.value(2).value<QDBusVariant>().variant();
            setPlayerProperty(arguments.value(1).toString(), value);
        } else {
            fail(message, QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"));
        }
    } else if (message.interface() == kPlayerInterface) {
        if (method == QLatin1String("SetPosition")) {
            // Like a real player: a position for another track is ignored.
            const QVariant current =
                m_properties.value(QStringLiteral("Metadata")).toMap().value("mpris:trackid");
            const QString currentPath = current.metaType() == QMetaType::fromType<QDBusObjectPath>()
                                            ? current.value<QDBusObjectPath>().path()
                                            : current.toString();
            if (arguments.value(0).value<QDBusObjectPath>().path() == currentPath)
                m_properties.insert(QStringLiteral("Position"), arguments.value(1).toLongLong());
        }
        reply(message, {});
    } else if (message.interface() == kRootInterface) {
        reply(message, {});
    } else {
        return false;
    }
    if (!m_vanishAfter.isEmpty() && method == m_vanishAfter) {
        m_vanishAfter.clear();
        QMetaObject::invokeMethod(this, &FakeMprisPlayer::vanish, Qt::QueuedConnection);
    }
    return true;
}

QString FakeMprisPlayer::introspect(const QString &) const
{
    return QStringLiteral(R"(<interface name="org.mpris.MediaPlayer2.Player">
  <method name="PlayPause"/><method name="Next"/><method name="Previous"/>
  <method name="Seek"><arg type="x" direction="in"/></method>
  <method name="SetPosition"><arg type="o" direction="in"/><arg type="x" direction="in"/></method>
  <signal name="Seeked"><arg type="x"/></signal>
</interface>)");
}
