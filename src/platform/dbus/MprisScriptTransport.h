#pragma once

#include "platform/dbus/MprisTrackMetadata.h"
#include "scripting/ScriptReference.h"
#include "scripting/ScriptTransport.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <atomic>
#include <optional>

/// The scripting transport on Linux: it answers the players' object model
/// (player state, volume, position, the current track and its artwork, the
/// playback commands) from the player's MPRIS service on the D-Bus session
/// bus. The service is the one owned by the given process; the preferred
/// service name is tried first.
///
/// Property reads between two permission checks share one `GetAll` of the
/// player: every request of a bridge starts with a permission check, so one
/// snapshot costs one `GetAll` and one `Position` read. `Position` is always
/// read when asked for, because players never announce it in
/// `PropertiesChanged`. Permission is always granted; a process without an
/// MPRIS service answers -600.
class MprisScriptTransport final : public ScriptTransport
{
public:
    /// The unit of a track's duration in the player's object model.
    enum class DurationUnit
    {
        milliseconds,
        seconds
    };

    /// Largest artwork file read; larger files are refused unread.
    static constexpr qint64 kMaxArtworkBytes = 2'097'152;
    /// Most MPRIS services looked at when searching for a process's player.
    static constexpr int kMaxServices = 64;
    /// Budget of the service search done by a permission check.
    static constexpr Seconds kDiscoveryTimeout{2};

    static constexpr char kServicePrefix[] = "org.mpris.MediaPlayer2.";
    static constexpr char kSpotifyService[] = "org.mpris.MediaPlayer2.spotify";

    MprisScriptTransport(QDBusConnection bus, const Clock &clock, QString preferredService,
                         DurationUnit durationUnit);

    qint32 determinePermission(qint32 processID, ScriptCode eventClass, ScriptCode eventID,
                               bool ask) override;
    ScriptResult send(const ScriptEvent &event, qint32 processID, Seconds timeout) override;

    /// D-Bus calls made so far, for measuring what a request costs.
    int roundTrips() const { return m_roundTrips.load(); }

private:
    struct Player
    {
        QString owner; // unique bus name: bound to one connection, never reused
        qint32 processID = 0;
    };

    qint32 attach(qint32 processID, Seconds deadline);
    QDBusMessage call(const QDBusMessage &message, Seconds deadline, qint32 &error);
    QDBusMessage busCall(const QString &method, const QVariantList &arguments, Seconds deadline,
                         qint32 &error);
    QDBusMessage playerCall(const QString &interface, const QString &method,
                            const QVariantList &arguments, Seconds deadline, qint32 &error);
    qint32 loadProperties(Seconds deadline);
    qint32 readPosition(Seconds deadline, double &microseconds);

    ScriptResult get(const std::vector<ScriptReference::Step> &steps, Seconds deadline);
    ScriptResult getTrackProperty(ScriptCode property);
    ScriptResult set(const std::vector<ScriptReference::Step> &steps, const ScriptDescriptor &value,
                     Seconds deadline);
    ScriptResult setPosition(double seconds, Seconds deadline);
    ScriptResult command(const QString &method, Seconds deadline);

    QDBusConnection m_bus;
    const Clock &m_clock;
    QString m_preferredService;
    DurationUnit m_durationUnit;
    std::optional<Player> m_player;
    std::optional<QVariantMap> m_properties;
    std::atomic<int> m_roundTrips = 0;
};
