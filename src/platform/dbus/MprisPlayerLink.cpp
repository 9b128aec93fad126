#include "platform/dbus/MprisPlayerLink.h"

#include "core/Scheduler.h"
#include "platform/dbus/MprisTrackMetadata.h"
#include "platform/dbus/MprisValues.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QPointer>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kPath = QLatin1String(MprisValues::kPlayerPath);
const QString kRoot = QLatin1String(MprisValues::kRootInterface);
const QString kPlayer = QLatin1String(MprisValues::kPlayerInterface);

std::atomic<quint64> g_callsSent{0};

// A player's rate is another program's number: anything outside a sane
// range counts as normal speed, so a NaN or a huge rate cannot throw the
// extrapolated position anywhere.
double effectiveRate(const QVariant &value)
{
    const auto rate = MprisTrackMetadata::number(value);
    if (!rate || !std::isfinite(*rate) || *rate < 0 || *rate > 32)
        return 1;
    return *rate;
}

QString cappedName(const QVariant &value)
{
    return MprisTrackMetadata::text(value)
        .value_or(QString())
        .left(MprisPlayerLink::kMaxNameLength)
        .trimmed();
}

} // namespace

MprisPlayerLink::MprisPlayerLink(QDBusConnection bus, Scheduler &scheduler, const Clock &clock,
                                 Seconds callTimeout, QObject *parent)
    : QObject(parent), m_bus(std::move(bus)), m_scheduler(scheduler), m_clock(clock),
      m_callTimeout(callTimeout)
{}

MprisPlayerLink::~MprisPlayerLink()
{
    connectSignals(false);
}

quint64 MprisPlayerLink::callsSent()
{
    return g_callsSent.load();
}

void MprisPlayerLink::connectSignals(bool connect)
{
    if (m_owner.isEmpty())
        return;
    if (connect) {
        m_bus.connect(m_owner, kPath, kPropertiesInterface, QStringLiteral("PropertiesChanged"),
                      this, SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
        m_bus.connect(m_owner, kPath, kPlayer, QStringLiteral("Seeked"), this,
                      SLOT(onSeeked(qlonglong)));
    } else {
        m_bus.disconnect(m_owner, kPath, kPropertiesInterface, QStringLiteral("PropertiesChanged"),
                         this, SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
        m_bus.disconnect(m_owner, kPath, kPlayer, QStringLiteral("Seeked"), this,
                         SLOT(onSeeked(qlonglong)));
    }
}

void MprisPlayerLink::attach(const QString &uniqueName)
{
    if (uniqueName == m_owner)
        return;
    connectSignals(false);
    ++m_epoch;
    m_retry.cancel();
    m_owner = uniqueName;
    m_isLoaded = false;
    m_properties.clear();
    m_identity.clear();
    m_desktopEntry.clear();
    m_position = 0;
    // Subscribed before the first reading, so no change falls between them.
    connectSignals(true);
    if (!m_owner.isEmpty())
        readAll(0);
    announce();
}

void MprisPlayerLink::send(const QDBusMessage &message,
                           std::function<void(const QDBusMessage &reply)> onReply)
{
    ++g_callsSent;
    const int timeoutMs =
        int(std::chrono::duration_cast<std::chrono::milliseconds>(m_callTimeout).count());
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, epoch = m_epoch, onReply = std::move(onReply)](QDBusPendingCallWatcher *done) {
                done->deleteLater();
                if (epoch == m_epoch)
                    onReply(done->reply());
            });
}

void MprisPlayerLink::readAll(int attempt)
{
    auto getAll = [this](const QString &interface) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(m_owner, kPath, kPropertiesInterface, "GetAll");
        message.setArguments({interface});
        return message;
    };
    send(getAll(kRoot), [this](const QDBusMessage &reply) {
        if (reply.type() != QDBusMessage::ReplyMessage)
            return;
        const QVariantMap values = MprisValues::map(reply.arguments().value(0));
        m_identity = cappedName(values.value(QStringLiteral("Identity")));
        m_desktopEntry = cappedName(values.value(QStringLiteral("DesktopEntry")));
        announce();
    });
    send(getAll(kPlayer), [this, attempt](const QDBusMessage &reply) {
        if (reply.type() != QDBusMessage::ReplyMessage) {
            if (MprisValues::meansGone(reply.errorName()))
                return;
            const Seconds delay = std::min(kMaxRetryDelay, Seconds(std::pow(2.0, attempt)));
            m_retry = m_scheduler.after(delay, [this, attempt] {
                m_retry.release();
                readAll(attempt + 1);
            });
            emit unreachable();
            return;
        }
        m_isLoaded = true;
        learn(MprisValues::map(reply.arguments().value(0)));
        announce();
    });
}

void MprisPlayerLink::readProperty(const QString &name)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(m_owner, kPath, kPropertiesInterface, QStringLiteral("Get"));
    message.setArguments({kPlayer, name});
    send(message, [this, name](const QDBusMessage &reply) {
        if (reply.type() != QDBusMessage::ReplyMessage)
            return;
        learn({{name, MprisValues::firstArgument(reply)}});
        announce();
    });
}

void MprisPlayerLink::learn(const QVariantMap &values)
{
    // The position keeps running at the old rate up to this moment.
    const double now = positionMicroseconds();
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (it.key() == QLatin1String("Metadata"))
            m_properties.insert(it.key(), MprisValues::map(it.value()));
        else
            m_properties.insert(it.key(), it.value());
    }
    if (values.contains(QStringLiteral("Position"))) {
        const auto reported = MprisTrackMetadata::number(values.value(QStringLiteral("Position")));
        setPosition(reported.value_or(0));
    } else {
        setPosition(now);
    }
}

void MprisPlayerLink::setPosition(double microseconds)
{
    m_position = std::isfinite(microseconds) ? std::max(0.0, microseconds) : 0;
    m_positionStamp = m_clock.now();
}

double MprisPlayerLink::positionMicroseconds() const
{
    if (m_properties.value(QStringLiteral("PlaybackStatus")).toString() != QLatin1String("Playing"))
        return m_position;
    const double elapsed = (m_clock.now() - m_positionStamp).count();
    const double position =
        m_position + elapsed * 1e6 * effectiveRate(m_properties.value(QStringLiteral("Rate")));
    return std::isfinite(position) ? std::max(0.0, position) : 0;
}

void MprisPlayerLink::refreshPosition()
{
    if (m_isLoaded)
        readProperty(QStringLiteral("Position"));
}

void MprisPlayerLink::onPropertiesChanged(const QString &interface, const QVariantMap &changed,
                                          const QStringList &invalidated)
{
    if (interface == kRoot) {
        if (changed.contains(QStringLiteral("Identity")))
            m_identity = cappedName(changed.value(QStringLiteral("Identity")));
        if (changed.contains(QStringLiteral("DesktopEntry")))
            m_desktopEntry = cappedName(changed.value(QStringLiteral("DesktopEntry")));
        announce();
        return;
    }
    if (interface != kPlayer || !m_isLoaded)
        return;
    learn(changed);
    // A player announces no position; a new status, track or rate is when
    // the extrapolation may have drifted.
    static const QStringList kResync = {QStringLiteral("PlaybackStatus"),
                                        QStringLiteral("Metadata"), QStringLiteral("Rate")};
    bool resync = false;
    for (const QString &name : kResync)
        resync = resync || changed.contains(name) || invalidated.contains(name);
    // Bounded: a player cannot make us send more reads than it has properties.
    for (const QString &name : invalidated.mid(0, 32)) {
        if (name != QLatin1String("Position"))
            readProperty(name);
    }
    if (resync)
        readProperty(QStringLiteral("Position"));
    announce();
}

void MprisPlayerLink::onSeeked(qlonglong position)
{
    if (!m_isLoaded)
        return;
    setPosition(double(position));
    announce();
}

void MprisPlayerLink::announce()
{
    if (m_announcing)
        return;
    m_announcing = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_announcing = false;
            emit changed();
        },
        Qt::QueuedConnection);
}

void MprisPlayerLink::call(const QString &method, const QVariantList &arguments,
                           Completion completion, const QString &interface)
{
    if (m_owner.isEmpty()) {
        QMetaObject::invokeMethod(
            this,
            [completion] {
                completion(QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"));
            },
            Qt::QueuedConnection);
        return;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(
        m_owner, kPath, interface.isEmpty() ? kPlayer : interface, method);
    message.setArguments(arguments);
    send(message, [completion](const QDBusMessage &reply) {
        if (reply.type() == QDBusMessage::ReplyMessage)
            completion(std::nullopt);
        else
            completion(reply.errorName());
    });
}

void MprisPlayerLink::setProperty(const QString &name, const QVariant &value, Completion completion)
{
    if (m_owner.isEmpty()) {
        call(QString(), {}, std::move(completion));
        return;
    }
    QDBusMessage message =
        QDBusMessage::createMethodCall(m_owner, kPath, kPropertiesInterface, QStringLiteral("Set"));
    message.setArguments({kPlayer, name, QVariant::fromValue(QDBusVariant(value))});
    send(message, [completion](const QDBusMessage &reply) {
        if (reply.type() == QDBusMessage::ReplyMessage)
            completion(std::nullopt);
        else
            completion(reply.errorName());
    });
}
