#include "players/model/PlayerController.h"

#include "artwork/AppleMusicArtworkPolicy.h"
#include "artwork/ArtworkProviding.h"
#include "artwork/SpotifyArtworkPolicy.h"
#include "artwork/YouTubeArtworkPolicy.h"
#include "core/Published.h"
#include "core/Scheduler.h"
#include "platform/apps/ApplicationLookup.h"
#include "platform/desktop/Workspace.h"
#include "players/model/SeekPolicy.h"
#include "players/model/SpotifyTrackLink.h"
#include "players/model/VolumeController.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

// The poll may run up to this late, so the system can bundle its wake-ups.
constexpr Seconds kPollTolerance{0.1};

const QString kNothingPlaying = QStringLiteral("Nothing playing");

std::optional<QUrl> validatedArtworkURL(MusicSource source, const std::optional<QUrl> &url)
{
    if (!url)
        return std::nullopt;
    if (source == MusicSource::appleMusic)
        return AppleMusicArtworkPolicy::validatedURL(*url);
    if (source.isBrowser() || source == MusicSource::pear)
        return YouTubeArtworkPolicy::validatedURL(*url);
    return SpotifyArtworkPolicy::validatedURL(*url);
}

} // namespace

PlayerController::PlayerController(MusicSource source, std::unique_ptr<PlayerBridging> bridge,
                                   std::unique_ptr<ArtworkProviding> artworkLoader,
                                   Services services, ProcessIDProvider processIDProvider,
                                   QObject *parent)
    : QObject(parent), m_source(source), m_bridge(std::move(bridge)),
      m_artworkLoader(std::move(artworkLoader)), m_scheduler(services.scheduler),
      m_clock(services.clock), m_workspace(services.workspace),
      m_applications(services.applications ? *services.applications : ApplicationLookup::shared()),
      m_processIDProvider(processIDProvider ? std::move(processIDProvider)
                                            : ProcessIDProvider([source, this] {
                                                  return source.processID(m_applications);
                                              })),
      m_volume(std::make_unique<VolumeController>(*m_bridge, m_processIDProvider,
                                                  source.displayName(), m_scheduler)),
      m_trackTitle(kNothingPlaying), m_artist(source.displayName()),
      m_statusMessage(PlayerConnectionPolicy::notRunningMessage(source))
{}

PlayerController::~PlayerController() = default;

void PlayerController::setShowingSetup(bool value)
{
    publish(this, m_showingSetup, value, &PlayerController::showingSetupChanged);
}

bool PlayerController::automaticAttemptAllowed() const
{
    return m_clock.now() >= m_nextAutomaticAttempt;
}

QString PlayerController::displayName() const
{
    return m_playerName.isEmpty() ? m_source.displayName() : m_playerName;
}

void PlayerController::setPlayerName(const QString &name)
{
    if (m_playerName == name)
        return;
    m_playerName = name;
    if (!m_isAvailable || !m_hasCurrentItem)
        publish(this, m_artist,
                m_isAvailable ? QStringLiteral("Choose a song in ") + displayName() : displayName(),
                &PlayerController::artistChanged);
}

void PlayerController::start()
{
    if (m_isStarted)
        return;
    m_isStarted = true;
    if (m_bridge->announcesChanges()) {
        // Told, not asking: reading such a bridge costs the player nothing.
        m_bridge->setChangeHandler([this] {
            m_nextAutomaticAttempt = kDistantPast;
            load(false);
        });
        load(false);
        return;
    }
    updatePolling();
    if (automaticAttemptAllowed())
        load(false);
}

void PlayerController::updatePolling()
{
    // A player that announces its changes is read once a second only while
    // it plays, to move the position on; others are polled while started.
    const bool wanted = m_isStarted && (!m_bridge->announcesChanges() || m_isPlaying);
    if (!wanted) {
        m_polling.cancel();
        return;
    }
    if (m_polling)
        return;
    m_polling = m_scheduler.every(kPollInterval, kPollTolerance, [this] {
        if (automaticAttemptAllowed())
            load(false);
    });
}

void PlayerController::stop()
{
    cancelScrubbing(std::nullopt, false);
    m_volume->reset();
    m_isStarted = false;
    m_bridge->setChangeHandler({});
    m_polling.cancel();
    m_settling.cancel();
    m_messageHold.cancel();
    m_artworkTask.cancel();
    ++m_generation;
    m_pendingRefresh = false;
    m_pendingPermissionRequest = false;
}

void PlayerController::load(bool requestPermission)
{
    if (m_isRefreshing || m_isControlling) {
        m_pendingRefresh = true;
        m_pendingPermissionRequest = m_pendingPermissionRequest || requestPermission;
        return;
    }
    if (requestPermission)
        m_messageHold.cancel(); // the user asked again
    const std::optional<qint32> processID = m_processIDProvider();
    if (!processID) {
        // The idle path of every player that is not running: nothing to clear.
        if ((m_connectionState == ConnectionState::notRunning && !m_isAvailable) || m_messageHold)
            return;
        clearPlayback();
        setConnection(ConnectionState::notRunning,
                      PlayerConnectionPolicy::notRunningMessage(m_source));
        return;
    }
    m_messageHold.cancel(); // the player is there: what it says now counts
    m_isRefreshing = true;
    if (requestPermission && m_connectionState != ConnectionState::ready)
        setConnection(ConnectionState::connecting,
                      PlayerConnectionPolicy::connectingMessage(m_source));

    const quint64 generation = m_generation;
    const qint64 revision = m_volume->revision();
    const quint64 request = ++m_refreshRequest;
    m_refreshDeadline =
        m_scheduler.after(PlayerConnectionPolicy::kReplyDeadline,
                          [this, request, generation, revision, pid = *processID] {
                              m_refreshDeadline.release();
                              finishRefresh(request, generation, revision, pid,
                                            PlayerError(PlayerError::Kind::timeout));
                          });
    m_bridge->snapshot(*processID, requestPermission,
                       [self = QPointer(this), request, generation, revision,
                        pid = *processID](PlayerSnapshotResult result) {
                           if (self)
                               self->finishRefresh(request, generation, revision, pid, result);
                       });
}

void PlayerController::finishRefresh(quint64 request, quint64 generation, qint64 revision,
                                     qint32 processID, const PlayerSnapshotResult &result)
{
    if (!m_isRefreshing || request != m_refreshRequest)
        return;
    ++m_refreshRequest;
    m_refreshDeadline.cancel();
    m_isRefreshing = false;
    if (generation == m_generation) {
        if (result.isSuccess())
            apply(result.value(), revision, processID);
        else
            fail(result.localError());
    }
    runPendingRefresh();
}

void PlayerController::apply(const PlayerSnapshot &snapshot, qint64 revision, qint32 processID)
{
    m_volume->receive(snapshot.volume, revision, processID);
    const std::optional<LyricsTrack> track = LyricsTrack::from(snapshot);
    if (m_scrub && track != m_scrub->track)
        cancelScrubbing(std::nullopt, false);

    if (!snapshot.title.isEmpty()) {
        publish(this, m_trackTitle, snapshot.title, &PlayerController::trackTitleChanged);
        publish(this, m_artist, snapshot.artist, &PlayerController::artistChanged);
    } else {
        publish(this, m_trackTitle, kNothingPlaying, &PlayerController::trackTitleChanged);
        publish(this, m_artist, QStringLiteral("Choose a song in ") + displayName(),
                &PlayerController::artistChanged);
    }
    updateArtwork(snapshot.artworkURL, snapshot.artworkData);

    // Another program's numbers: a non-finite or negative duration counts as
    // unknown and the position is kept inside the song.
    const PlaybackTiming timing = PlaybackTiming::fromMilliseconds(
        snapshot.timing.duration * 1000.0, snapshot.timing.elapsed);
    publish(this, m_hasCurrentItem, !snapshot.title.trimmed().isEmpty(),
            &PlayerController::hasCurrentItemChanged);
    publish(this, m_isPlaying, snapshot.isPlaying, &PlayerController::isPlayingChanged);
    publish(this, m_isAvailable, true, &PlayerController::isAvailableChanged);
    publish(this, m_duration, timing.duration, &PlayerController::durationChanged);
    if (!m_isScrubbing)
        setPosition(timing.elapsed, timing.progress);

    setConnection(ConnectionState::ready, std::nullopt);
    publish(this, m_currentTrack, track, &PlayerController::currentTrackChanged);
    m_nextAutomaticAttempt = kDistantPast;
    updatePolling();
}

void PlayerController::fail(const PlayerError *error)
{
    clearPlayback();
    const auto failure = PlayerConnectionPolicy::failure(m_source, error);
    setConnection(failure.state, failure.message);
    if (failure.backOff)
        m_nextAutomaticAttempt = m_clock.now() + *failure.backOff;
}

void PlayerController::runPendingRefresh()
{
    if (!m_pendingRefresh || m_isRefreshing || m_isControlling)
        return;
    const bool requestPermission = m_pendingPermissionRequest;
    m_pendingRefresh = false;
    m_pendingPermissionRequest = false;
    if (requestPermission)
        load(true);
    else if (automaticAttemptAllowed())
        load(false);
}

void PlayerController::clearPlayback()
{
    cancelScrubbing(std::nullopt, false);
    m_volume->reset();
    publish(this, m_currentTrack, std::nullopt, &PlayerController::currentTrackChanged);
    publish(this, m_hasCurrentItem, false, &PlayerController::hasCurrentItemChanged);
    publish(this, m_trackTitle, kNothingPlaying, &PlayerController::trackTitleChanged);
    publish(this, m_artist, displayName(), &PlayerController::artistChanged);
    updateArtwork(std::nullopt, std::nullopt);
    publish(this, m_isPlaying, false, &PlayerController::isPlayingChanged);
    publish(this, m_isAvailable, false, &PlayerController::isAvailableChanged);
    publish(this, m_duration, 0.0, &PlayerController::durationChanged);
    setPosition(0, 0);
    updatePolling();
}

void PlayerController::setConnection(ConnectionState state, std::optional<QString> message)
{
    publish(this, m_connectionState, state, &PlayerController::connectionStateChanged);
    publish(this, m_statusMessage, std::move(message), &PlayerController::statusMessageChanged);
}

void PlayerController::holdMessage(ConnectionState state, const QString &message)
{
    setConnection(state, message);
    m_messageHold = m_scheduler.after(PlayerConnectionPolicy::kActionMessageHold, [this] {
        m_messageHold.release();
        load(false);
    });
}

void PlayerController::setPosition(double elapsed, double progress)
{
    publish(this, m_elapsed, elapsed, &PlayerController::elapsedChanged);
    publish(this, m_progress, progress, &PlayerController::progressChanged);
}

void PlayerController::playbackDidChange()
{
    // A broadcast must not turn into one permission failure after another.
    if (m_connectionState == ConnectionState::denied ||
        m_connectionState == ConnectionState::needsPermission)
        return;
    ++m_generation;
    m_nextAutomaticAttempt = kDistantPast;
    load(false);
    m_settling = m_scheduler.after(kSettlingDelay, [this] {
        m_settling.release();
        if (automaticAttemptAllowed())
            load(false);
    });
}

void PlayerController::control(const PlayerCommand &command)
{
    if (m_isControlling || m_isScrubbing || !m_isAvailable)
        return;
    const std::optional<qint32> processID = m_processIDProvider();
    if (!processID)
        return;
    ++m_generation;
    publish(this, m_isControlling, true, &PlayerController::isControllingChanged);
    const quint64 request = ++m_commandRequest;
    m_commandDeadline = m_scheduler.after(PlayerConnectionPolicy::kReplyDeadline, [this, request] {
        m_commandDeadline.release();
        finishCommand(request, PlayerError(PlayerError::Kind::timeout));
    });
    m_bridge->send(command, *processID, [self = QPointer(this), request](PlayerSendResult result) {
        if (self)
            self->finishCommand(request, result);
    });
}

void PlayerController::finishCommand(quint64 request, const PlayerSendResult &result)
{
    if (!m_isControlling || request != m_commandRequest)
        return;
    ++m_commandRequest;
    m_commandDeadline.cancel();
    publish(this, m_isControlling, false, &PlayerController::isControllingChanged);
    const PlayerError *error = result.localError();
    // A seek meant for a song that is no longer playing is dropped silently;
    // the new song is read instead.
    if (result.isSuccess() || (error && error->kind() == PlayerError::Kind::trackChanged))
        load(false);
    else
        fail(error);
    runPendingRefresh();
}

void PlayerController::updateArtwork(const std::optional<QUrl> &url,
                                     const std::optional<QByteArray> &localData)
{
    if (localData) {
        m_artworkTask.cancel();
        publish(this, m_artworkURL, std::nullopt, &PlayerController::artworkURLChanged);
        // The player hands over the same bytes on every poll: decode only new ones.
        if (m_localArtworkData != localData) {
            publish(this, m_artwork, SpotifyArtworkPolicy::thumbnail(*localData),
                    &PlayerController::artworkChanged);
            m_localArtworkData = localData;
        }
        return;
    }
    if (m_localArtworkData) {
        m_localArtworkData.reset();
        publish(this, m_artwork, QImage(), &PlayerController::artworkChanged);
    }
    const std::optional<QUrl> validated = validatedArtworkURL(m_source, url);
    if (validated != m_artworkURL) {
        m_artworkTask.cancel();
        publish(this, m_artworkURL, validated, &PlayerController::artworkURLChanged);
        publish(this, m_artwork, QImage(), &PlayerController::artworkChanged);
        m_artworkFailures = 0;
        m_nextArtworkAttempt = kDistantPast;
    }
    if (!validated || !m_artwork.isNull() || m_artworkTask || m_clock.now() < m_nextArtworkAttempt)
        return;
    m_artworkTask = m_artworkLoader->data(
        *validated, [self = QPointer(this), target = *validated](ArtworkResult result) {
            if (self)
                self->finishArtwork(target, result);
        });
}

void PlayerController::finishArtwork(const QUrl &url, const ArtworkResult &result)
{
    m_artworkTask.release();
    if (m_artworkURL != url)
        return;
    if (result.isSuccess()) {
        QImage thumbnail = SpotifyArtworkPolicy::thumbnail(result.data);
        if (!thumbnail.isNull()) {
            publish(this, m_artwork, std::move(thumbnail), &PlayerController::artworkChanged);
            m_artworkFailures = 0;
            return;
        }
    }
    m_nextArtworkAttempt = m_clock.now() + SpotifyArtworkPolicy::retryDelay(m_artworkFailures);
    m_artworkFailures = std::min(m_artworkFailures + 1, SpotifyArtworkPolicy::kMaxArtworkFailures);
}

bool PlayerController::canSeek() const
{
    return m_isAvailable && m_currentTrack && m_duration > 0 && !m_isControlling;
}

std::optional<QUuid> PlayerController::beginScrubbing()
{
    if (!canSeek() || m_scrub || !m_currentTrack)
        return std::nullopt;
    m_scrub = Scrub{QUuid::createUuid(), *m_currentTrack, m_elapsed};
    ++m_generation;
    publish(this, m_isScrubbing, true, &PlayerController::isScrubbingChanged);
    return m_scrub->id;
}

void PlayerController::updateScrubbing(double fraction, const QUuid &session)
{
    if (!m_scrub || m_scrub->id != session)
        return;
    if (const auto position = SeekPolicy::position(fraction, m_duration))
        setPosition(*position, *position / m_duration);
}

void PlayerController::endScrubbing(const QUuid &session)
{
    if (!m_scrub || m_scrub->id != session)
        return;
    // The seek is bound to the song the drag began on; any other song puts
    // the position back and reads what plays now.
    if (m_currentTrack != m_scrub->track || !m_processIDProvider()) {
        cancelScrubbing(std::nullopt, true);
        return;
    }
    const LyricsTrack track = std::move(m_scrub->track);
    m_scrub.reset();
    publish(this, m_isScrubbing, false, &PlayerController::isScrubbingChanged);
    control(PlayerCommand::seek(m_elapsed, track));
}

void PlayerController::cancelScrubbing(const std::optional<QUuid> &session, bool reload)
{
    if (!m_scrub || (session && *session != m_scrub->id))
        return;
    const double original = m_scrub->originalPosition;
    m_scrub.reset();
    setPosition(original, m_duration > 0 ? original / m_duration : 0);
    publish(this, m_isScrubbing, false, &PlayerController::isScrubbingChanged);
    if (reload)
        load(false);
}

void PlayerController::seek(double seconds)
{
    const double target = m_elapsed + seconds;
    if (!std::isfinite(seconds) || !std::isfinite(target) || !std::isfinite(m_duration) ||
        m_duration <= 0)
        return;
    if (const auto session = beginScrubbing()) {
        updateScrubbing(std::clamp(target, 0.0, m_duration) / m_duration, *session);
        endScrubbing(*session);
    }
}

void PlayerController::openPlayer()
{
    m_messageHold.cancel();
    // A player known only by its bus name is asked to show itself.
    if (m_source == MusicSource::mpris) {
        m_bridge->raise();
        return;
    }
    // Apple Music's web player, in whichever browser the desktop opens.
    if (m_source == MusicSource::appleMusic) {
        m_workspace.openUrl(
            QUrl(QStringLiteral("https://%1/").arg(QLatin1String(kAppleMusicWebHost))),
            [](bool) {});
        return;
    }
    if (!m_source.isInstalled(m_applications)) {
        holdMessage(ConnectionState::unavailable,
                    PlayerConnectionPolicy::notInstalledMessage(m_source));
        return;
    }
    if (m_source.isBrowser()) {
        m_workspace.openUrlInApplication(
            QUrl(QStringLiteral("https://%1/").arg(QLatin1String(kYouTubeMusicWebHost))),
            m_source.application());
        return;
    }
    m_workspace.openApplication(m_source.application(), [self = QPointer(this)](bool opened) {
        if (!self)
            return;
        if (!opened) {
            self->holdMessage(ConnectionState::unavailable,
                              PlayerConnectionPolicy::launchFailedMessage(self->m_source));
            return;
        }
        self->m_nextAutomaticAttempt = kDistantPast;
        self->load(false);
    });
}

void PlayerController::openCurrentTrack()
{
    if (m_source == MusicSource::spotify && m_currentTrack) {
        const auto uri = SpotifyTrackLink::validatedURI(m_currentTrack->spotifyURI());
        const QUrl url(uri.value_or(QString()));
        if (uri && url.isValid()) {
            m_workspace.openUrl(url, [](bool) {});
            return;
        }
    }
    openPlayer();
}

void PlayerController::openAutomationSettings()
{
    m_workspace.openAutomationSettings();
}
