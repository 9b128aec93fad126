#pragma once

#include "core/CancelHandle.h"
#include "core/Clock.h"
#include "players/model/LyricsTrack.h"
#include "players/model/MusicSource.h"
#include "players/model/PlayerBridging.h"
#include "players/model/PlayerConnectionPolicy.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <limits>
#include <memory>
#include <optional>

class ApplicationLookup;
class Scheduler;
class ArtworkProviding;
struct ArtworkResult;
class VolumeController;
class Workspace;

/// Follows one music player, whatever kind it is, and publishes what it
/// plays: a player that announces its changes is read when it does (and,
/// while it plays, once a second from what it announced, for the position);
/// any other is polled once a second while started. It keeps a connection state with the
/// words the user sees, backs off after failures, sends commands, runs the
/// scrubbing protocol and loads the cover. Nothing is changed on screen
/// before the player confirms it. Main thread only.
class PlayerController final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString trackTitle READ trackTitle NOTIFY trackTitleChanged)
    Q_PROPERTY(QString artist READ artist NOTIFY artistChanged)
    Q_PROPERTY(std::optional<QUrl> artworkURL READ artworkURL NOTIFY artworkURLChanged)
    Q_PROPERTY(QImage artwork READ artwork NOTIFY artworkChanged)
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(bool isAvailable READ isAvailable NOTIFY isAvailableChanged)
    Q_PROPERTY(bool hasCurrentItem READ hasCurrentItem NOTIFY hasCurrentItemChanged)
    Q_PROPERTY(std::optional<QString> statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(double elapsed READ elapsed NOTIFY elapsedChanged)
    Q_PROPERTY(double duration READ duration NOTIFY durationChanged)
    Q_PROPERTY(
        PlayerConnectionState connectionState READ connectionState NOTIFY connectionStateChanged)
    Q_PROPERTY(bool isControlling READ isControlling NOTIFY isControllingChanged)
    Q_PROPERTY(bool isScrubbing READ isScrubbing NOTIFY isScrubbingChanged)
    Q_PROPERTY(std::optional<LyricsTrack> currentTrack READ currentTrack NOTIFY currentTrackChanged)
    Q_PROPERTY(bool showingSetup READ showingSetup WRITE setShowingSetup NOTIFY showingSetupChanged)

public:
    using ConnectionState = PlayerConnectionState;
    using ProcessIDProvider = std::function<std::optional<qint32>()>;

    /// What the controller asks of the program around it.
    struct Services
    {
        Scheduler &scheduler;
        const Clock &clock;
        /// Opens the player, its track links and web pages.
        Workspace &workspace;
        /// Running and installed applications; null means the system's.
        ApplicationLookup *applications = nullptr;
    };

    static constexpr Seconds kPollInterval{1};
    /// How long after a change broadcast the state the player settled into
    /// is read again.
    static constexpr Seconds kSettlingDelay{0.2};
    static constexpr Seconds kDistantPast{-std::numeric_limits<double>::infinity()};

    /// Starts nothing. `processIDProvider` defaults to the source's own
    /// process lookup.
    PlayerController(MusicSource source, std::unique_ptr<PlayerBridging> bridge,
                     std::unique_ptr<ArtworkProviding> artworkLoader, Services services,
                     ProcessIDProvider processIDProvider = {}, QObject *parent = nullptr);
    ~PlayerController() override;

    const QString &trackTitle() const { return m_trackTitle; }
    const QString &artist() const { return m_artist; }
    const std::optional<QUrl> &artworkURL() const { return m_artworkURL; }
    /// The cover as a thumbnail; null when there is none.
    const QImage &artwork() const { return m_artwork; }
    bool isPlaying() const { return m_isPlaying; }
    bool isAvailable() const { return m_isAvailable; }
    bool hasCurrentItem() const { return m_hasCurrentItem; }
    const std::optional<QString> &statusMessage() const { return m_statusMessage; }
    double progress() const { return m_progress; }
    double elapsed() const { return m_elapsed; }
    double duration() const { return m_duration; }
    ConnectionState connectionState() const { return m_connectionState; }
    bool isControlling() const { return m_isControlling; }
    bool isScrubbing() const { return m_isScrubbing; }
    const std::optional<LyricsTrack> &currentTrack() const { return m_currentTrack; }
    /// Set and cleared by the now-playing view only.
    bool showingSetup() const { return m_showingSetup; }
    void setShowingSetup(bool value);

    MusicSource source() const { return m_source; }
    /// The player's process now, as the controller finds it; none while it
    /// is not running.
    std::optional<qint32> processID() const { return m_processIDProvider(); }
    PlayerBridging &bridge() const { return *m_bridge; }
    VolumeController &volume() const { return *m_volume; }
    const Clock &clock() const { return m_clock; }

    /// Automatic polls are skipped before this time (on `clock().now()`).
    /// A user-initiated refresh resets it to `kDistantPast` first.
    Seconds nextAutomaticAttempt() const { return m_nextAutomaticAttempt; }
    void setNextAutomaticAttempt(Seconds value) { m_nextAutomaticAttempt = value; }

    /// Begins following the player (the first read at once). Does nothing
    /// while already started.
    void start();
    /// Ends all activity; what is on screen stays.
    void stop();
    bool isStarted() const { return m_isStarted; }
    /// The name shown for this player: its own name when it gave one, else
    /// the source's.
    QString displayName() const;
    /// Sets the player's own name (an MPRIS player's `Identity`).
    void setPlayerName(const QString &name);

    /// One refresh; `requestPermission` lets the bridge ask the user.
    void load(bool requestPermission);
    /// The player announced a change: a poll in flight is stale, and the
    /// state the player settles into is read again shortly after.
    void playbackDidChange();
    /// Sends a transport command, or a seek at the end of a scrub.
    void control(const PlayerCommand &command);

    /// Seeking is possible now.
    bool canSeek() const;
    std::optional<QUuid> beginScrubbing();
    void updateScrubbing(double fraction, const QUuid &session);
    void endScrubbing(const QUuid &session);
    /// Ends the session `session` (any session when none), putting the
    /// position back where the drag began.
    void cancelScrubbing(const std::optional<QUuid> &session, bool reload);
    /// A whole scrub `seconds` away from the current position.
    void seek(double seconds);

    /// Launches or brings forward the source's application.
    void openPlayer();
    /// Opens the playing track in Spotify; otherwise as `openPlayer()`.
    void openCurrentTrack();
    void openAutomationSettings();

signals:
    void trackTitleChanged();
    void artistChanged();
    void artworkURLChanged();
    void artworkChanged();
    void isPlayingChanged();
    void isAvailableChanged();
    void hasCurrentItemChanged();
    void statusMessageChanged();
    void progressChanged();
    void elapsedChanged();
    void durationChanged();
    void connectionStateChanged();
    void isControllingChanged();
    void isScrubbingChanged();
    void currentTrackChanged();
    void showingSetupChanged();

private:
    struct Scrub
    {
        QUuid id;
        LyricsTrack track;
        double originalPosition = 0;
    };

    bool automaticAttemptAllowed() const;
    void updatePolling();
    void finishRefresh(quint64 request, quint64 generation, qint64 revision, qint32 processID,
                       const PlayerSnapshotResult &result);
    void finishCommand(quint64 request, const PlayerSendResult &result);
    void apply(const PlayerSnapshot &snapshot, qint64 revision, qint32 processID);
    void fail(const PlayerError *error);
    void runPendingRefresh();
    void clearPlayback();
    void setConnection(ConnectionState state, std::optional<QString> message);
    /// Shows `message` as the answer to the user's action: a poll that finds
    /// no player leaves it until the hold ends.
    void holdMessage(ConnectionState state, const QString &message);
    void setPosition(double elapsed, double progress);
    void updateArtwork(const std::optional<QUrl> &url, const std::optional<QByteArray> &localData);
    void finishArtwork(const QUrl &url, const ArtworkResult &result);

    const MusicSource m_source;
    const std::unique_ptr<PlayerBridging> m_bridge;
    const std::unique_ptr<ArtworkProviding> m_artworkLoader;
    Scheduler &m_scheduler;
    const Clock &m_clock;
    Workspace &m_workspace;
    ApplicationLookup &m_applications;
    const ProcessIDProvider m_processIDProvider;
    // After the bridge: it goes first, while the bridge it writes to exists.
    const std::unique_ptr<VolumeController> m_volume;

    QString m_trackTitle;
    QString m_artist;
    std::optional<QUrl> m_artworkURL;
    QImage m_artwork;
    bool m_isPlaying = false;
    bool m_isAvailable = false;
    bool m_hasCurrentItem = false;
    std::optional<QString> m_statusMessage;
    double m_progress = 0;
    double m_elapsed = 0;
    double m_duration = 0;
    ConnectionState m_connectionState = ConnectionState::notRunning;
    bool m_isControlling = false;
    bool m_isScrubbing = false;
    std::optional<LyricsTrack> m_currentTrack;
    bool m_showingSetup = false;

    std::optional<QByteArray> m_localArtworkData;
    CancelHandle m_settling;
    CancelHandle m_messageHold;
    CancelHandle m_artworkTask;
    int m_artworkFailures = 0;
    Seconds m_nextArtworkAttempt = kDistantPast;
    CancelHandle m_polling;
    bool m_isStarted = false;
    QString m_playerName;
    bool m_isRefreshing = false;
    bool m_pendingRefresh = false;
    bool m_pendingPermissionRequest = false;
    quint64 m_generation = 0;
    Seconds m_nextAutomaticAttempt = kDistantPast;
    std::optional<Scrub> m_scrub;

    // The snapshot and the command in flight, each with the deadline that
    // ends a wait for it; whichever of reply and deadline comes second finds
    // another request number and is dropped.
    quint64 m_refreshRequest = 0;
    CancelHandle m_refreshDeadline;
    quint64 m_commandRequest = 0;
    CancelHandle m_commandDeadline;
};
