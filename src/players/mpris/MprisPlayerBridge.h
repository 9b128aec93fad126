#pragma once

#include "core/SerialWorker.h"
#include "platform/dbus/MprisPlayerLink.h"
#include "players/model/MusicSource.h"
#include "players/model/PlayerBridging.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class MprisServiceDirectory;

/// A player on the session bus through MPRIS, followed by signal: it answers
/// snapshots from what the player last announced (the position extrapolated
/// in between), so reading it sends nothing to the player, and it tells its
/// controller of every change. Commands are the player's own methods. The
/// player is found by its bus name, whatever its process is called.
class MprisPlayerBridge final : public QObject, public PlayerBridging
{
    Q_OBJECT
public:
    /// Largest cover read from a file the player names.
    static constexpr qint64 kMaxArtworkBytes = 2'097'152;

    /// Follows `busName`; with `withInstances`, also the first of its
    /// instances (`busName` + "." + anything) when the name itself is free.
    MprisPlayerBridge(MusicSource source, QString busName, bool withInstances,
                      MprisServiceDirectory &directory, QDBusConnection bus, Scheduler &scheduler,
                      const Clock &clock);
    ~MprisPlayerBridge() override;

    /// Spotify's row: its name and instances on the session bus.
    static std::unique_ptr<MprisPlayerBridge> createSpotify();

    const QString &busName() const { return m_busName; }
    /// The player's process, as the bus tells; none while it is not there.
    std::optional<qint32> processID() const;
    /// The player's own name for itself (`Identity`), else empty.
    QString identity() const { return m_link.identity(); }
    QString desktopEntry() const { return m_link.desktopEntry(); }
    /// The snapshot the cache gives now; what `snapshot()` answers.
    PlayerSnapshot read() const;

    void snapshot(qint32 processID, bool requestPermission, SnapshotCompletion completion) override;
    void send(const PlayerCommand &command, qint32 processID, SendCompletion completion) override;
    bool announcesChanges() const override { return true; }
    void setChangeHandler(std::function<void()> onChange) override;
    void refresh() override { m_link.refreshPosition(); }
    bool raise() override;

signals:
    /// The player's `Identity` or `DesktopEntry` may have changed.
    void identityChanged();

private:
    void follow();
    void onLinkChanged();
    void answerWaiting(const std::optional<PlayerError> &error);
    void perform(const PlayerCommand &command, SendCompletion completion);
    void seek(const PlayerCommand &command, SendCompletion completion);
    MprisPlayerLink::Completion finisher(SendCompletion completion);
    void loadArtworkFile(const QString &path);
    template <typename Completion, typename Result>
    void later(Completion completion, Result result);

    const MusicSource m_source;
    const QString m_busName;
    const bool m_withInstances;
    MprisServiceDirectory &m_directory;
    MprisPlayerLink m_link;
    std::function<void()> m_onChange;
    std::vector<SnapshotCompletion> m_waiting;
    std::optional<qint32> m_knownProcessID;
    QString m_knownIdentity;

    QString m_artworkPath; // the file the cover below came from
    std::optional<QByteArray> m_artwork;
    SerialWorker m_worker{QStringLiteral("Velloway.Mpris.Artwork")}; // last: stops first
};
