#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

/// A media player as far as MPRIS goes: it owns a service name on the
/// session bus through a connection of its own, serves the player object
/// (properties, Get/GetAll/Set, the playback methods) and announces changes
/// with PropertiesChanged and Seeked, which it builds itself. Lives on the
/// thread that creates it; a caller that blocks on it must do so from
/// another thread.
class FakeMprisPlayer final : public QDBusVirtualObject
{
    Q_OBJECT
public:
    struct Call
    {
        QString method;
        QVariantList arguments;
    };

    explicit FakeMprisPlayer(QString serviceName = QStringLiteral("org.mpris.MediaPlayer2.spotify"),
                             QObject *parent = nullptr);
    ~FakeMprisPlayer() override;

    /// Connects, serves the player object and takes the service name.
    bool start();
    /// Drops the name and the connection, as a player that quits.
    void vanish();
    bool isRunning() const { return m_started; }
    QString uniqueName() const { return m_uniqueName; }

    /// Metadata as Spotify's Linux client publishes it: the track id as a
    /// plain string "/com/spotify/track/<id>", the length as an unsigned
    /// 64-bit integer, the cover on open.spotify.com.
    static QVariantMap spotifyMetadata(const QString &id, const QString &title,
                                       const QStringList &artists, const QString &album,
                                       qulonglong lengthMicroseconds);
    /// Metadata the way the MPRIS text describes it: the track id as an
    /// object path and the length as a signed 64-bit integer.
    static QVariantMap standardMetadata(const QString &trackPath, const QString &title,
                                        const QStringList &artists, const QString &album,
                                        qlonglong lengthMicroseconds);

    /// Sets a property of the player interface and announces it, unless it
    /// is `Position`, which players never announce.
    void setPlayerProperty(const QString &name, const QVariant &value);
    QVariant playerProperty(const QString &name) const { return m_properties.value(name); }
    void emitSeeked(qlonglong microseconds);
    /// Sets a property of the root interface (`Identity`, `DesktopEntry`).
    void setRootProperty(const QString &name, const QVariant &value)
    {
        m_rootProperties.insert(name, value);
    }

    /// Never answers another call (a hung player).
    void setSilent(bool silent) { m_silent = silent; }
    /// Answers the next call of `method`, then quits.
    void vanishAfter(const QString &method) { m_vanishAfter = method; }

    QList<Call> calls(const QString &method) const;

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;
    QString introspect(const QString &path) const override;

private:
    void reply(const QDBusMessage &message, const QVariantList &arguments);
    void fail(const QDBusMessage &message, const QString &name);

    QString m_serviceName;
    QString m_connectionName;
    QString m_uniqueName;
    QDBusConnection m_connection;
    QVariantMap m_properties;
    QVariantMap m_rootProperties;
    QList<Call> m_calls;
    bool m_silent = false;
    bool m_started = false;
    QString m_vanishAfter;
};
