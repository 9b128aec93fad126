#pragma once

#include "core/CancelHandle.h"
#include "core/Clock.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <optional>

class QDBusMessage;
class Scheduler;

/// One MPRIS player followed on the bus, by signal. Once attached to the
/// unique name that owns the player, it reads both interfaces once
/// (`GetAll`), then follows `PropertiesChanged` (an invalidated property is
/// read again with `Get`) and `Seeked`. `Position` is read afresh only when
/// the status, the track or the rate changes, or when `refreshPosition()` is
/// called; in between it is extrapolated from the last reading. Nothing is
/// asked of a player while nothing changes. Every call is asynchronous and
/// bounded; a player that does not answer its first reading is retried with
/// back-off. Main thread.
class MprisPlayerLink final : public QObject
{
    Q_OBJECT
public:
    /// How long a player has to answer a call.
    static constexpr Seconds kCallTimeout{2};
    /// The pause before the next try of a first reading that failed: 1, 2,
    /// 4 ... capped here.
    static constexpr Seconds kMaxRetryDelay{30};
    /// Longest `Identity` and `DesktopEntry` kept.
    static constexpr qsizetype kMaxNameLength = 200;

    using Completion = std::function<void(std::optional<QString> errorName)>;

    MprisPlayerLink(QDBusConnection bus, Scheduler &scheduler, const Clock &clock,
                    Seconds callTimeout = kCallTimeout, QObject *parent = nullptr);
    ~MprisPlayerLink() override;

    /// Follows the player owned by `uniqueName` (empty: none), dropping the
    /// previous one with everything it had answered.
    void attach(const QString &uniqueName);
    const QString &owner() const { return m_owner; }

    /// The first reading arrived, so the properties below mean something.
    bool isLoaded() const { return m_isLoaded; }
    /// The player interface's properties as last known (`Metadata` as a map).
    const QVariantMap &properties() const { return m_properties; }
    /// The trimmed `Identity`, else empty.
    const QString &identity() const { return m_identity; }
    /// `DesktopEntry`, else empty.
    const QString &desktopEntry() const { return m_desktopEntry; }
    /// The position in microseconds now, extrapolated from the last reading
    /// at the playback rate while playing; never negative.
    double positionMicroseconds() const;

    /// Reads `Position` again (a person looks at it now).
    void refreshPosition();

    /// Calls `method` of the player interface; `completion` gets the error
    /// name, or none on success. It runs on the main thread, at most once,
    /// and not after the link is gone or attached elsewhere.
    void call(const QString &method, const QVariantList &arguments, Completion completion,
              const QString &interface = QString());
    /// Sets a property of the player interface.
    void setProperty(const QString &name, const QVariant &value, Completion completion);

    /// Counts the method calls sent to players, for measurements.
    static quint64 callsSent();

signals:
    /// Something a reader may show changed (coalesced per event-loop turn).
    void changed();
    /// The first reading failed and will be retried.
    void unreachable();

private slots:
    void onPropertiesChanged(const QString &interface, const QVariantMap &changed,
                             const QStringList &invalidated);
    void onSeeked(qlonglong position);

private:
    void readAll(int attempt);
    void readProperty(const QString &name);
    void learn(const QVariantMap &values);
    void setPosition(double microseconds);
    void announce();
    void send(const QDBusMessage &message, std::function<void(const QDBusMessage &reply)> onReply);
    void connectSignals(bool connect);

    QDBusConnection m_bus;
    Scheduler &m_scheduler;
    const Clock &m_clock;
    const Seconds m_callTimeout;
    QString m_owner;
    quint64 m_epoch = 0; // a reply from before the last attach is stale
    bool m_isLoaded = false;
    QVariantMap m_properties;
    QString m_identity;
    QString m_desktopEntry;
    double m_position = 0; // microseconds at m_positionStamp
    Seconds m_positionStamp{0};
    bool m_announcing = false;
    CancelHandle m_retry;
};
