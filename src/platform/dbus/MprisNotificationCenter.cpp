#include "platform/dbus/MprisNotificationCenter.h"

#include "platform/dbus/MprisScriptTransport.h"

namespace {
const QString kPlayerPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
} // namespace

MprisNotificationCenter::MprisNotificationCenter(QDBusConnection bus, QObject *parent)
    : QObject(parent), m_bus(std::move(bus)), m_directory(m_bus)
{
    // Any sender: the directory tells which connection owns which player.
    m_bus.connect(QString(), kPlayerPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                  QStringLiteral("PropertiesChanged"), this, SLOT(onPlayerSignal(QDBusMessage)));
    m_bus.connect(QString(), kPlayerPath, kPlayerInterface, QStringLiteral("Seeked"), this,
                  SLOT(onPlayerSignal(QDBusMessage)));
}

MprisNotificationCenter::~MprisNotificationCenter() = default;

QString MprisNotificationCenter::serviceFor(const QString &name)
{
    if (name == QLatin1String("com.spotify.client.PlaybackStateChanged"))
        return QLatin1String(MprisScriptTransport::kSpotifyService);
    return {};
}

CancelHandle MprisNotificationCenter::observe(const QString &name, std::function<void()> callback)
{
    const QString service = serviceFor(name);
    if (service.isEmpty())
        return CancelHandle([] {});
    const quint64 key = ++m_nextObserver;
    m_observers.emplace(key, Observer{service, std::move(callback)});
    return CancelHandle([this, key, alive = std::weak_ptr<bool>(m_alive)] {
        if (alive.lock())
            m_observers.erase(key);
    });
}

void MprisNotificationCenter::onPlayerSignal(const QDBusMessage &message)
{
    if (message.member() == QLatin1String("PropertiesChanged") &&
        message.arguments().value(0).toString() != kPlayerInterface)
        return;
    const QString sender = message.service();
    // Collect first: a callback may add or remove observers.
    std::vector<quint64> due;
    for (const auto &[key, observer] : m_observers) {
        if (m_directory.owners(observer.service).contains(sender))
            due.push_back(key);
    }
    for (const quint64 key : due) {
        if (const auto it = m_observers.find(key); it != m_observers.end())
            std::function<void()>(it->second.callback)();
    }
}
