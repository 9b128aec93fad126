#include "music/MusicController.h"

#include "artwork/ArtworkLoader.h"
#include "music/MusicBridges.h"
#include "music/PlayerChoicePolicy.h"
#include "platform/dbus/MprisServiceDirectory.h"
#include "platform/storage/Settings.h"
#include "players/model/MusicConnectionPresenting.h"
#include "players/model/VolumeController.h"
#include "players/mpris/MprisPlayerBridge.h"

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
      m_presenter(presenter), m_services(services),
      m_players(players ? std::move(*players) : defaultPlayers(services))
{
    Q_ASSERT(!m_players.empty());
    // Only when there: a look at the players must write nothing.
    if (defaults.value(QString::fromLatin1(kStaleSourceKey)).isValid())
        defaults.remove(QString::fromLatin1(kStaleSourceKey));
    m_active = m_players.front().get();
    for (const auto &player : m_players)
        subscribe(*player);
}

MusicController::~MusicController() = default;

MusicController::Players MusicController::defaultPlayers(const PlayerController::Services &services,
                                                         const BridgeWrapper &wrap)
{
    const auto wrapped = [&wrap](MusicSource source, std::unique_ptr<PlayerBridging> bridge) {
        return wrap ? wrap(source, std::move(bridge)) : std::move(bridge);
    };
    Players players;
    for (MusicSource source : MusicSource::allCases()) {
        if (source == MusicSource::spotify) {
            // Found by its bus name, whatever its process is called.
            auto bridge = MprisPlayerBridge::createSpotify();
            MprisPlayerBridge *bus = bridge.get();
            players.push_back(std::make_unique<PlayerController>(
                source, wrapped(source, std::move(bridge)), std::make_unique<ArtworkLoader>(),
                services, [bus] { return bus->processID(); }));
            continue;
        }
        players.push_back(
            std::make_unique<PlayerController>(source, wrapped(source, MusicBridges::make(source)),
                                               std::make_unique<ArtworkLoader>(), services));
    }
    return players;
}

void MusicController::subscribe(PlayerController &player)
{
    // Each watch delivers queued, so a reconciliation never runs inside a
    // player's own assignment, and skips emissions that change none of its
    // three values. Both report once at once, so construction reconciles.
    const auto watch = [this, &player](auto read, bool announce, auto connectAll) {
        auto last = std::make_shared<std::optional<Flags>>();
        // A player that left the bus may still have reactions queued.
        const auto react = [this, alive = QPointer(&player), read, announce, last] {
            if (!alive || !isListed(*alive))
                return;
            const Flags now = read();
            if (*last == now)
                return;
            *last = now;
            reconcile();
            if (announce && m_active == alive)
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
        const bool playing = isPlaying(*player);
        if (playing && !m_wasPlaying.value(player.get()))
            m_activity.insert(player.get(), ++m_sequence);
        m_wasPlaying.insert(player.get(), playing);
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
        if (isPlaying(*player) && !isHidden(*player) &&
            (!latest || m_activity.value(player.get()) > m_activity.value(latest)))
            latest = player.get();
    }
    // A pick holds until another player really starts playing.
    if (m_picked && (!latest || m_activity.value(latest) < m_pickedAt)) {
        for (const auto &player : m_players) {
            if (player.get() == m_picked)
                return player.get();
        }
    }
    if (latest)
        return latest;
    if (isPresentable(*m_active) && !isHidden(*m_active))
        return m_active;
    const auto presentable =
        std::find_if(m_players.begin(), m_players.end(),
                     [this](const auto &p) { return isPresentable(*p) && !isHidden(*p); });
    return presentable != m_players.end() ? presentable->get() : m_active;
}

bool MusicController::isListed(const PlayerController &player) const
{
    return std::any_of(m_players.begin(), m_players.end(),
                       [&player](const auto &p) { return p.get() == &player; });
}

bool MusicController::isHidden(const PlayerController &player) const
{
    // A browser's own entry for the song its YouTube Music row, or the Apple
    // Music row (in any browser), already shows would show the same song twice.
    const auto row = PlayerChoicePolicy::browserRowOf(m_busNames.value(&player));
    if (!row || !player.hasCurrentItem())
        return false;
    const MusicSource rows[] = {*row, MusicSource::appleMusic};
    return std::any_of(m_players.begin(), m_players.end(), [&](const auto &other) {
        return std::find(std::begin(rows), std::end(rows), other->source()) != std::end(rows) &&
               other->connectionState() == PlayerConnectionState::ready &&
               other->hasCurrentItem() && other->trackTitle() == player.trackTitle();
    });
}

QList<PlayerController *> MusicController::runningPlayers() const
{
    QList<PlayerController *> running;
    for (const auto &player : m_players) {
        if (player->isAvailable() && !isHidden(*player))
            running.append(player.get());
    }
    return running;
}

void MusicController::pick(PlayerController &player)
{
    m_picked = &player;
    m_pickedAt = ++m_sequence;
    reconcile();
}

QString MusicController::busName(const PlayerController &player) const
{
    return m_busNames.value(&player);
}

void MusicController::followOtherPlayers(MprisServiceDirectory &directory, QDBusConnection bus)
{
    if (m_directory)
        return;
    m_directory = &directory;
    m_bus = std::move(bus);
    connect(&directory, &MprisServiceDirectory::changed, this, &MusicController::syncOtherPlayers);
    syncOtherPlayers();
}

void MusicController::syncOtherPlayers()
{
    QStringList names;
    for (const QString &name : m_directory->names()) {
        if (!PlayerChoicePolicy::isSpotifyName(name))
            names.append(name);
    }
    for (size_t i = m_players.size(); i-- > 0;) {
        const QString name = m_busNames.value(m_players[i].get());
        if (!name.isEmpty() && !names.contains(name))
            removeOtherPlayer(i);
    }
    int followed = int(m_busNames.size());
    m_leftOut = 0;
    for (const QString &name : names) {
        if (std::find(m_busNames.cbegin(), m_busNames.cend(), name) != m_busNames.cend())
            continue;
        if (followed >= kMaxOtherPlayers) {
            ++m_leftOut;
            continue;
        }
        addOtherPlayer(name);
        ++followed;
    }
}

void MusicController::addOtherPlayer(const QString &busName)
{
    auto bridge =
        std::make_unique<MprisPlayerBridge>(MusicSource::mpris, busName, false, *m_directory, m_bus,
                                            m_services->scheduler, m_services->clock);
    MprisPlayerBridge *bus = bridge.get();
    auto player = std::make_unique<PlayerController>(MusicSource::mpris, std::move(bridge),
                                                     std::make_unique<ArtworkLoader>(), *m_services,
                                                     [bus] { return bus->processID(); });
    PlayerController *added = player.get();
    const auto name = [this, bus, added, busName] {
        added->setPlayerName(PlayerChoicePolicy::displayName(bus->identity(), busName));
        m_iconNames.insert(added, bus->desktopEntry());
    };
    connect(bus, &MprisPlayerBridge::identityChanged, added, name);
    name();
    m_busNames.insert(added, busName);
    m_players.push_back(std::move(player));
    subscribe(*added);
    if (m_isStarted)
        added->start();
}

void MusicController::removeOtherPlayer(size_t index)
{
    PlayerController *leaving = m_players[index].get();
    leaving->stop();
    m_busNames.remove(leaving);
    m_iconNames.remove(leaving);
    m_wasPlaying.remove(leaving);
    m_activity.remove(leaving);
    if (m_picked == leaving)
        m_picked = nullptr;
    // Views may still hold the player until they follow the new choice, so
    // it goes when control returns to the event loop.
    PlayerController *owned = m_players[index].release();
    m_players.erase(m_players.begin() + qsizetype(index));
    if (m_active == leaving) {
        m_active = m_players.front().get();
        m_active = choose();
        emit activeChanged();
        emit changed();
    }
    owned->deleteLater();
}

void MusicController::start()
{
    m_isStarted = true;
    for (const auto &player : m_players)
        player->start();
}

void MusicController::stop()
{
    m_isStarted = false;
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
        // What a player announced is current, but its position was
        // extrapolated: a person looking now gets it read afresh.
        player->bridge().refresh();
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
