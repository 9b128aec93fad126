#include "players/mpris/SpotifyLocalBridge.h"

#include "artwork/SpotifyArtworkPolicy.h"
#include "core/SystemClock.h"
#include "platform/dbus/MprisScriptTransport.h"
#include "players/model/SeekPolicy.h"
#include "players/model/SpotifyTrackLink.h"
#include "scripting/ScriptTerms.h"

#include <QDBusConnection>

#include <algorithm>

using namespace ScriptTerms;
using Kind = PlayerError::Kind;

namespace {

const ScriptDescriptor &currentTrack()
{
    static const ScriptDescriptor track = ScriptReference::property(kCurrentTrack);
    return track;
}

ScriptDescriptor application(ScriptCode property)
{
    return ScriptReference::property(property);
}

ScriptDescriptor track(ScriptCode property)
{
    return ScriptReference::property(property, currentTrack());
}

PlayerSnapshot emptySnapshot(std::optional<int> volume)
{
    PlayerSnapshot snapshot;
    snapshot.volume = volume;
    return snapshot;
}

bool isNoCurrentTrack(const PlayerError &error)
{
    return error.kind() == Kind::appleEvent && (error.code() == ScriptError::kNoCurrentItem ||
                                                error.code() == ScriptError::kNoSuchObject);
}

// A reply without a string counts as empty text.
QString text(const PlayerResult<ScriptDescriptor> &result)
{
    return result.value().stringValue().value_or(QString());
}

} // namespace

SpotifyLocalBridge::SpotifyLocalBridge(MusicSource source,
                                       std::unique_ptr<ScriptTransport> transport,
                                       const Clock &clock)
    : m_source(source), m_transport(std::move(transport)), m_clock(clock),
      m_context(std::make_unique<QObject>())
{}

SpotifyLocalBridge::~SpotifyLocalBridge() = default;

std::unique_ptr<SpotifyLocalBridge> SpotifyLocalBridge::create(MusicSource source)
{
    const bool isSpotify = source == MusicSource::spotify;
    auto transport = std::make_unique<MprisScriptTransport>(
        QDBusConnection::sessionBus(), SystemClock::shared(),
        isSpotify ? QLatin1String(MprisScriptTransport::kSpotifyService) : QString(),
        isSpotify ? MprisScriptTransport::DurationUnit::milliseconds
                  : MprisScriptTransport::DurationUnit::seconds);
    return std::make_unique<SpotifyLocalBridge>(source, std::move(transport),
                                                SystemClock::shared());
}

void SpotifyLocalBridge::snapshot(qint32 processID, bool requestPermission,
                                  SnapshotCompletion completion)
{
    m_worker.post(
        m_context.get(),
        [this, processID, requestPermission] { return readSnapshot(processID, requestPermission); },
        std::move(completion));
}

void SpotifyLocalBridge::send(const PlayerCommand &command, qint32 processID,
                              SendCompletion completion)
{
    m_worker.post(
        m_context.get(), [this, command, processID] { return perform(command, processID); },
        std::move(completion));
}

double SpotifyLocalBridge::durationMilliseconds(double reported) const
{
    return m_source == MusicSource::spotify ? reported : reported * 1000;
}

PlayerSnapshotResult SpotifyLocalBridge::readSnapshot(qint32 processID, bool requestPermission)
{
    ScriptExchange exchange(*m_transport, m_clock, processID);
    if (const auto denied = exchange.checkPermission(requestPermission))
        return *denied;
    const Seconds deadline = exchange.now() + kSnapshotBudget;

    if (!exchange.hasTimeLeft(deadline))
        return PlayerError(Kind::timeout);
    const auto state = exchange.get(application(kPlayerState), deadline);
    if (!state.isSuccess())
        return *state.localError();
    const auto stateCode = state.value().enumCodeValue();
    const bool isPlaying = stateCode == kPlaying;

    std::optional<int> volume;
    if (exchange.hasTimeLeft(deadline)) {
        const auto level = exchange.get(application(kSoundVolume), deadline);
        if (level.isSuccess()) {
            if (const auto value = level.value().int32Value();
                value && *value >= 0 && *value <= 100)
                volume = *value;
        }
    }

    if (stateCode == kStopped)
        return emptySnapshot(volume);

    auto snapshot = readTrack(exchange, deadline, isPlaying, volume);
    if (const auto *error = snapshot.localError(); error && isNoCurrentTrack(*error))
        return emptySnapshot(volume);
    return snapshot;
}

PlayerSnapshotResult SpotifyLocalBridge::readTrack(ScriptExchange &exchange, Seconds deadline,
                                                   bool isPlaying, std::optional<int> volume)
{
    PlayerSnapshot snapshot;
    snapshot.isPlaying = isPlaying;
    snapshot.volume = volume;

    const auto required = [&](const ScriptDescriptor &reference) {
        if (!exchange.hasTimeLeft(deadline))
            return PlayerResult<ScriptDescriptor>(PlayerError(Kind::timeout));
        return exchange.get(reference, deadline);
    };
    const auto optional =
        [&](const ScriptDescriptor &reference) -> std::optional<ScriptDescriptor> {
        if (!exchange.hasTimeLeft(deadline))
            return std::nullopt;
        const auto result = exchange.get(reference, deadline);
        return result.isSuccess() ? std::optional(result.value()) : std::nullopt;
    };

    const auto title = required(track(kName));
    if (!title.isSuccess())
        return *title.localError();
    const auto artist = required(track(kArtist));
    if (!artist.isSuccess())
        return *artist.localError();
    const auto duration = required(track(kDuration));
    if (!duration.isSuccess())
        return *duration.localError();
    const auto position = required(application(kPlayerPosition));
    if (!position.isSuccess())
        return *position.localError();
    const auto durationValue = duration.value().doubleValue();
    const auto positionValue = position.value().doubleValue();
    if (!durationValue || !positionValue)
        return PlayerError(Kind::invalidReply);
    snapshot.title = text(title);
    snapshot.artist = text(artist);
    snapshot.timing =
        PlaybackTiming::fromMilliseconds(durationMilliseconds(*durationValue), *positionValue);

    if (const auto album = optional(track(kAlbum)))
        snapshot.album = album->stringValue().value_or(QString());

    if (m_source == MusicSource::spotify) {
        if (const auto id = optional(track(kSpotifyID)))
            snapshot.spotifyURI = SpotifyTrackLink::validatedURI(id->stringValue());
        if (const auto address = optional(track(kArtworkURL)); address && address->stringValue())
            snapshot.artworkURL = SpotifyArtworkPolicy::validatedURL(*address->stringValue());
    } else {
        if (const auto id = optional(track(kPersistentID)))
            snapshot.playbackID = id->stringValue();
        const QChar separator(0x1F);
        const QString key = snapshot.playbackID.value_or(QString()) + separator + snapshot.title +
                            separator + snapshot.artist + separator + snapshot.album;
        snapshot.artworkData = cachedCover(exchange, deadline, key);
    }
    return snapshot;
}

std::optional<QByteArray> SpotifyLocalBridge::cachedCover(ScriptExchange &exchange,
                                                          Seconds deadline, const QString &key)
{
    if (key != m_cachedArtworkKey) {
        m_cachedArtworkKey = key;
        m_cachedArtwork.reset();
        m_nextLocalArtworkAttempt.reset();
    }
    if (!m_cachedArtwork &&
        (!m_nextLocalArtworkAttempt || exchange.now() >= *m_nextLocalArtworkAttempt)) {
        if (exchange.hasTimeLeft(deadline)) {
            const auto raw = exchange.get(
                ScriptReference::property(
                    kRawData, ScriptReference::element(kArtworkClass, 1, currentTrack())),
                deadline);
            if (raw.isSuccess()) {
                // A cover beyond the cap is dropped, not an error.
                if (const auto bytes = raw.value().dataValue();
                    bytes && bytes->size() <= kMaxArtworkBytes)
                    m_cachedArtwork = *bytes;
            }
        }
        m_nextLocalArtworkAttempt = exchange.now() + kArtworkRetry;
    }
    return m_cachedArtwork;
}

PlayerSendResult SpotifyLocalBridge::perform(const PlayerCommand &command, qint32 processID)
{
    ScriptExchange exchange(*m_transport, m_clock, processID);
    if (const auto denied = exchange.checkPermission(false))
        return *denied;

    const ScriptCode suite = m_source == MusicSource::spotify ? kSpotifySuite : kMusicSuite;
    const auto playback = [&](ScriptCode eventID) -> PlayerSendResult {
        const auto reply = exchange.send(ScriptEvent(suite, eventID), kCommandTimeout);
        if (!reply.isSuccess())
            return *reply.localError();
        return std::monostate();
    };

    switch (command.kind()) {
    case PlayerCommand::Kind::volume:
        return exchange.set(application(kSoundVolume),
                            ScriptDescriptor::integer(std::clamp(command.level(), 0, 100)),
                            kCommandTimeout);
    case PlayerCommand::Kind::toggle:
        return playback(kPlayPause);
    case PlayerCommand::Kind::previous:
        return playback(kPreviousTrack);
    case PlayerCommand::Kind::next:
        return playback(kNextTrack);
    case PlayerCommand::Kind::seek:
        if (!command.track())
            return PlayerError(Kind::trackChanged);
        return seek(exchange, command.position(), *command.track());
    }
    return PlayerError(Kind::invalidReply);
}

PlayerSendResult SpotifyLocalBridge::seek(ScriptExchange &exchange, double position,
                                          const LyricsTrack &expected)
{
    const Seconds deadline = exchange.now() + kSeekBudget;
    const auto duration = exchange.get(track(kDuration), deadline);
    if (!duration.isSuccess())
        return *duration.localError();
    const double durationSeconds =
        durationMilliseconds(duration.value().doubleValue().value_or(qQNaN())) / 1000;

    // Each identity read must answer with text equal to the expected value.
    const auto textOf = [&](ScriptCode property) -> PlayerResult<QString> {
        const auto value = exchange.get(track(property), deadline);
        if (!value.isSuccess())
            return *value.localError();
        const auto string = value.value().stringValue();
        if (!string)
            return PlayerError(Kind::trackChanged);
        return *string;
    };
    const auto same = [&](ScriptCode property,
                          const QString &wanted) -> std::optional<PlayerError> {
        const auto value = textOf(property);
        if (!value.isSuccess())
            return *value.localError();
        if (value.value() != wanted)
            return PlayerError(Kind::trackChanged);
        return std::nullopt;
    };

    switch (SeekPolicy::guard(m_source, expected)) {
    case SeekPolicy::Guard::playbackID:
        if (const auto error = same(kPersistentID, *expected.playbackID()))
            return *error;
        break;
    case SeekPolicy::Guard::spotifyURI:
        if (const auto error = same(kSpotifyID, *expected.spotifyURI()))
            return *error;
        break;
    case SeekPolicy::Guard::metadata: {
        const auto title = textOf(kName);
        if (!title.isSuccess())
            return *title.localError();
        const auto artist = textOf(kArtist);
        if (!artist.isSuccess())
            return *artist.localError();
        const auto album = textOf(kAlbum);
        if (!album.isSuccess())
            return *album.localError();
        if (!SeekPolicy::matches(expected, title.value(), artist.value(), album.value(),
                                 durationSeconds))
            return PlayerError(Kind::trackChanged);
        break;
    }
    }

    const auto target = SeekPolicy::target(position, durationSeconds);
    if (!target)
        return PlayerError(Kind::invalidReply);
    return exchange.set(application(kPlayerPosition), ScriptDescriptor::real(*target),
                        kCommandTimeout);
}
