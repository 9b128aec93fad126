#include "players/mpris/MprisPlayerBridge.h"

#include "core/SystemClock.h"
#include "core/TimerScheduler.h"
#include "platform/dbus/MprisServiceDirectory.h"
#include "platform/dbus/MprisTrackMetadata.h"
#include "platform/dbus/MprisValues.h"
#include "platform/storage/LocalFileStorage.h"
#include "players/model/LyricsTrack.h"
#include "players/model/SeekPolicy.h"
#include "players/model/SpotifyTrackLink.h"

#include <QDBusObjectPath>
#include <QPointer>
#include <QUrl>

#include <cmath>

using Kind = PlayerError::Kind;

namespace {

PlayerError errorFrom(const QString &errorName)
{
    if (MprisValues::meansGone(errorName))
        return Kind::notRunning;
    if (MprisValues::meansTimeout(errorName))
        return Kind::timeout;
    return Kind::invalidReply;
}

std::optional<int> volumeFrom(const QVariant &value)
{
    const auto level = MprisTrackMetadata::number(value);
    if (!level || !std::isfinite(*level) || *level < 0)
        return std::nullopt;
    return int(std::lround(std::min(*level, 1.0) * 100));
}

} // namespace

MprisPlayerBridge::MprisPlayerBridge(MusicSource source, QString busName, bool withInstances,
                                     MprisServiceDirectory &directory, QDBusConnection bus,
                                     Scheduler &scheduler, const Clock &clock)
    : m_source(source), m_busName(std::move(busName)), m_withInstances(withInstances),
      m_directory(directory), m_link(std::move(bus), scheduler, clock)
{
    connect(&m_directory, &MprisServiceDirectory::changed, this, &MprisPlayerBridge::follow);
    connect(&m_link, &MprisPlayerLink::changed, this, &MprisPlayerBridge::onLinkChanged);
    connect(&m_link, &MprisPlayerLink::unreachable, this,
            [this] { answerWaiting(PlayerError(Kind::timeout)); });
    follow();
}

MprisPlayerBridge::~MprisPlayerBridge() = default;

std::unique_ptr<MprisPlayerBridge> MprisPlayerBridge::createSpotify()
{
    return std::make_unique<MprisPlayerBridge>(
        MusicSource::spotify, QLatin1String(MprisValues::kSpotifyService), true,
        MprisServiceDirectory::shared(), QDBusConnection::sessionBus(), TimerScheduler::shared(),
        SystemClock::shared());
}

std::optional<qint32> MprisPlayerBridge::processID() const
{
    if (m_link.owner().isEmpty())
        return std::nullopt;
    return m_withInstances ? m_directory.processID(m_busName) : m_directory.processIDOf(m_busName);
}

void MprisPlayerBridge::follow()
{
    const QString owner =
        m_withInstances ? m_directory.owners(m_busName).value(0) : m_directory.owner(m_busName);
    const bool moved = owner != m_link.owner();
    m_link.attach(owner);
    if (owner.isEmpty())
        answerWaiting(PlayerError(Kind::notRunning));
    const auto processID = this->processID();
    if (moved || processID != m_knownProcessID) {
        m_knownProcessID = processID;
        if (m_onChange)
            m_onChange();
    }
}

void MprisPlayerBridge::onLinkChanged()
{
    if (m_link.identity() != m_knownIdentity) {
        m_knownIdentity = m_link.identity();
        emit identityChanged();
    }
    const QString art = MprisTrackMetadata(m_link.properties().value("Metadata").toMap())
                            .artworkFile()
                            .value_or(QString());
    if (m_source != MusicSource::spotify && art != m_artworkPath)
        loadArtworkFile(art);
    if (m_link.isLoaded())
        answerWaiting(std::nullopt);
    if (m_onChange)
        m_onChange();
}

void MprisPlayerBridge::loadArtworkFile(const QString &path)
{
    m_artworkPath = path;
    m_artwork.reset();
    if (path.isEmpty())
        return;
    // The file is named by another program: read off the main thread, capped.
    m_worker.post(
        this, [path] { return LocalFileStorage::shared().readAll(path, kMaxArtworkBytes); },
        [this, path](std::optional<QByteArray> bytes) {
            if (path != m_artworkPath)
                return;
            m_artwork = std::move(bytes);
            if (m_onChange)
                m_onChange();
        });
}

PlayerSnapshot MprisPlayerBridge::read() const
{
    const QVariantMap &properties = m_link.properties();
    PlayerSnapshot snapshot;
    snapshot.volume = volumeFrom(properties.value(QStringLiteral("Volume")));
    const QString status =
        MprisTrackMetadata::text(properties.value(QStringLiteral("PlaybackStatus")))
            .value_or(QString());
    const MprisTrackMetadata track(properties.value(QStringLiteral("Metadata")).toMap());
    if (status == QLatin1String("Stopped") || !track.hasTrack())
        return snapshot;
    snapshot.isPlaying = status == QLatin1String("Playing");
    snapshot.title = track.title();
    snapshot.artist = track.artist();
    snapshot.album = track.album();
    if (const QString id = track.trackID(); !id.isEmpty())
        snapshot.playbackID = id.left(LyricsTrack::kMaxTextLength);
    if (m_source == MusicSource::spotify) {
        snapshot.spotifyURI = SpotifyTrackLink::validatedURI(track.spotifyURI());
        if (const auto address = track.artworkAddress())
            snapshot.artworkURL = QUrl(*address);
    } else if (m_artwork && !m_artworkPath.isEmpty()) {
        snapshot.artworkData = m_artwork;
    }
    snapshot.timing = PlaybackTiming::fromMilliseconds(
        track.lengthMicroseconds().value_or(0) / 1000, m_link.positionMicroseconds() / 1e6);
    return snapshot;
}

template <typename Completion, typename Result>
void MprisPlayerBridge::later(Completion completion, Result result)
{
    // Completions never run inside the call that asked for them.
    QMetaObject::invokeMethod(
        this,
        [completion = std::move(completion), result = std::move(result)] { completion(result); },
        Qt::QueuedConnection);
}

void MprisPlayerBridge::snapshot(qint32, bool requestPermission, SnapshotCompletion completion)
{
    if (m_link.owner().isEmpty()) {
        later(std::move(completion), PlayerSnapshotResult(PlayerError(Kind::notRunning)));
        return;
    }
    if (!m_link.isLoaded()) {
        m_waiting.push_back(std::move(completion));
        return;
    }
    if (requestPermission)
        m_link.refreshPosition();
    later(std::move(completion), PlayerSnapshotResult(read()));
}

void MprisPlayerBridge::answerWaiting(const std::optional<PlayerError> &error)
{
    std::vector<SnapshotCompletion> waiting;
    waiting.swap(m_waiting);
    for (auto &completion : waiting)
        later(std::move(completion),
              error ? PlayerSnapshotResult(*error) : PlayerSnapshotResult(read()));
}

void MprisPlayerBridge::setChangeHandler(std::function<void()> onChange)
{
    m_onChange = std::move(onChange);
}

bool MprisPlayerBridge::raise()
{
    if (m_link.owner().isEmpty())
        return false;
    m_link.call(
        QStringLiteral("Raise"), {}, [](std::optional<QString>) {},
        QLatin1String(MprisValues::kRootInterface));
    return true;
}

void MprisPlayerBridge::send(const PlayerCommand &command, qint32, SendCompletion completion)
{
    perform(command, std::move(completion));
}

MprisPlayerLink::Completion MprisPlayerBridge::finisher(SendCompletion completion)
{
    return
        [self = QPointer(this), completion = std::move(completion)](std::optional<QString> error) {
            if (self)
                completion(error ? PlayerSendResult(errorFrom(*error))
                                 : PlayerSendResult(std::monostate()));
        };
}

void MprisPlayerBridge::perform(const PlayerCommand &command, SendCompletion completion)
{
    const auto finish = finisher(completion);
    switch (command.kind()) {
    case PlayerCommand::Kind::toggle:
        m_link.call(QStringLiteral("PlayPause"), {}, finish);
        return;
    case PlayerCommand::Kind::previous:
        m_link.call(QStringLiteral("Previous"), {}, finish);
        return;
    case PlayerCommand::Kind::next:
        m_link.call(QStringLiteral("Next"), {}, finish);
        return;
    case PlayerCommand::Kind::volume:
        m_link.setProperty(QStringLiteral("Volume"),
                           double(std::clamp(command.level(), 0, 100)) / 100, finish);
        return;
    case PlayerCommand::Kind::seek:
        seek(command, std::move(completion));
        return;
    }
}

void MprisPlayerBridge::seek(const PlayerCommand &command, SendCompletion completion)
{
    // What the player last announced is what it plays now: a seek meant for
    // another song is dropped before it reaches the player.
    const PlayerSnapshot now = read();
    const auto playing = LyricsTrack::from(now);
    if (!command.track() || playing != command.track()) {
        later(std::move(completion), PlayerSendResult(PlayerError(Kind::trackChanged)));
        return;
    }
    const auto target = SeekPolicy::target(command.position(), now.timing.duration);
    if (!target) {
        later(std::move(completion), PlayerSendResult(PlayerError(Kind::invalidReply)));
        return;
    }
    const auto finish = finisher(std::move(completion));
    const qlonglong microseconds = qlonglong(std::llround(*target * 1e6));
    const QString trackID = now.playbackID.value_or(QString());
    if (MprisValues::isObjectPath(trackID) &&
        trackID != QLatin1String(MprisTrackMetadata::kNoTrackID)) {
        m_link.call(QStringLiteral("SetPosition"),
                    {QVariant::fromValue(QDBusObjectPath(trackID)), microseconds}, finish);
        return;
    }
    // Without a track id only a relative seek is possible.
    const qlonglong offset = microseconds - qlonglong(std::llround(m_link.positionMicroseconds()));
    m_link.call(QStringLiteral("Seek"), {offset}, finish);
}
