#include "music/MusicController.h"

#include "artwork/ArtworkLoader.h"
#include "music/MusicBridges.h"
#include "platform/storage/Settings.h"
#include "players/model/MusicConnectionPresenting.h"
#include "players/model/VolumeController.h"

#include <algorithm>

namespace {

bool isPlaying(const PlayerController &player)
{
    return player.isPlaying() && player.isAvailable() && player.hasCurrentItem();
}

bool isPresentable(const PlayerController &player)
{
    return player.isAvailable() && player.hasCurrentItem();
}

bool isInteracting(const PlayerController &player)
{
    return player.isScrubbing() || player.isControlling() || player.volume().isDragging();
}

} // namespace

MusicController::MusicController(Settings &defaults, PlayerController::Services services,
                                 std::optional<Players> players,
                                 MusicConnectionPresenting *presenter, QObject *parent)
    : QObject(parent),
      m_applications(services.applications ? *services.applications : ApplicationLookup::shared()),
      m_presenter(presenter), m_players(players ? std::move(*players) : defaultPlayers(services))
{
    Q_ASSERT(!m_players.empty());
    defaults.remove(QString::fromLatin1(kStaleSourceKey));
    m_active = m_players.front().get();
    for (const auto &player : m_players)
        subscribe(*player);
}

MusicController::~MusicController() = default;

MusicController::Players MusicController::defaultPlayers(const PlayerController::Services &services)
{
    Players players;
    for (MusicSource source : MusicSource::allCases())
        players.push_back(std::make_unique<PlayerController>(
            source, MusicBridges::make(source), std::make_unique<ArtworkLoader>(), services));
    return players;
}

void MusicController::subscribe(PlayerController &player)
{
    // Each watch delivers queued, so a reconciliation never runs inside a
    // player's own assignment, and skips emissions that change none of its
    // three values. Both report once at once, so construction reconciles.
    const auto watch = [this, &player](auto read, bool announce, auto connectAll) {
        auto last = std::make_shared<std::optional<Flags>>();
        const auto react = [this, &player, read, announce, last] {
            const Flags now = read();
            if (*last == now)
                return;
            *last = now;
            reconcile();
            if (announce && m_active == &player)
                emit changed();
        };
        connectAll(react);
        QMetaObject::invokeMethod(this, react, Qt::QueuedConnection);
    };
    VolumeController *volume = &player.volume();
    watch(
        [&player] {
            return Flags{player.hasCurrentItem(), player.isPlaying(), player.isAvailable()};
        },
        true,
        [this, &player](auto react) {
            connect(&player, &PlayerController::hasCurrentItemChanged, this, react,
                    Qt::QueuedConnection);
            connect(&player, &PlayerController::isPlayingChanged, this, react,
                    Qt::QueuedConnection);
            connect(&player, &PlayerController::isAvailableChanged, this, react,
                    Qt::QueuedConnection);
        });
    watch(
        [&player, volume] {
            return Flags{player.isScrubbing(), player.isControlling(), volume->isDragging()};
        },
        false,
        [this, &player, volume](auto react) {
            connect(&player, &PlayerController::isScrubbingChanged, this, react,
                    Qt::QueuedConnection);
            connect(&player, &PlayerController::isControllingChanged, this, react,
                    Qt::QueuedConnection);
            connect(volume, &VolumeController::isDraggingChanged, this, react,
                    Qt::QueuedConnection);
        });
}

void MusicController::reconcile()
{
    for (const auto &player : m_players) {
        const MusicSource source = player->source();
        const bool playing = isPlaying(*player);
        if (playing && !m_wasPlaying.value(source))
            m_activity.insert(source, ++m_sequence);
        m_wasPlaying.insert(source, playing);
    }
    // The user's drag or command is never interrupted by a switch.
    if (isInteracting(*m_active))
        return;
    PlayerController *chosen = choose();
    if (chosen == m_active)
        return;
    m_active = chosen;
    emit activeChanged();
}

PlayerController *MusicController::choose() const
{
    PlayerController *latest = nullptr;
    for (const auto &player : m_players) {
        // Strictly greater: among equal numbers the earlier player wins.
        if (isPlaying(*player) &&
            (!latest || m_activity.value(player->source()) > m_activity.value(latest->source())))
            latest = player.get();
    }
    if (latest)
        return latest;
    if (isPresentable(*m_active))
        return m_active;
    const auto presentable = std::find_if(m_players.begin(), m_players.end(),
                                          [](const auto &p) { return isPresentable(*p); });
    return presentable != m_players.end() ? presentable->get() : m_active;
}

void MusicController::start()
{
    for (const auto &player : m_players)
        player->start();
}

void MusicController::stop()
{
    for (const auto &player : m_players)
        player->stop();
}

void MusicController::refreshForPresentation()
{
    using State = PlayerConnectionState;
    for (const auto &player : m_players) {
        const State state = player->connectionState();
        if (state == State::ready || state == State::unavailable)
            player->setNextAutomaticAttempt(PlayerController::kDistantPast);
        if (player->clock().now() >= player->nextAutomaticAttempt())
            player->load(false);
    }
}

QList<MusicSource> MusicController::availableSources() const
{
    QList<MusicSource> sources;
    for (MusicSource source : MusicSource::allCases()) {
        if (!source.isBrowser() || source.isInstalled(m_applications))
            sources << source;
    }
    return sources;
}

MusicConnectionPrompt MusicController::connectionPrompt(const PlayerController &player) const
{
    const MusicSource source = player.source();
    const bool isReady = player.connectionState() == PlayerConnectionState::ready;
    MusicConnectionPrompt prompt;
    prompt.title = QStringLiteral("Connect ") + source.browserName();
    prompt.informativeText =
        source.setup() + QStringLiteral("\n\n") +
        (isReady ? QStringLiteral("Connected. Velloway follows playback automatically.")
                 : player.statusMessage().value_or(QString()));
    prompt.connectButton = isReady ? QStringLiteral("Refresh") : QStringLiteral("Connect");
    prompt.openButton = QStringLiteral("Open ") + source.browserName();
    prompt.isConnectEnabled = source.processID(m_applications).has_value() &&
                              player.connectionState() != PlayerConnectionState::connecting;
    return prompt;
}

void MusicController::showConnectionSetup(MusicSource source)
{
    const auto found = std::find_if(m_players.begin(), m_players.end(),
                                    [source](const auto &p) { return p->source() == source; });
    if (found == m_players.end() || !m_presenter)
        return;
    PlayerController &player = **found;
    switch (m_presenter->present(connectionPrompt(player))) {
    case MusicConnectionChoice::connect:
        // The one place the user grants a connection: the player may ask.
        player.setNextAutomaticAttempt(PlayerController::kDistantPast);
        player.load(true);
        break;
    case MusicConnectionChoice::open:
        player.openPlayer();
        break;
    case MusicConnectionChoice::done:
        break;
    }
}
