#pragma once

#include "players/model/MusicSource.h"
#include "players/model/PlayerController.h"

#include <QDBusConnection>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class MprisServiceDirectory;
class MusicConnectionPresenting;
struct MusicConnectionPrompt;
class Settings;

/// Owns one player controller per supported player, and one per other MPRIS
/// player on the bus while it is there, and chooses the active one, whose
/// song the crest shows and the lyrics follow: the player that most recently
/// started playing (or was picked by the user) wins; when nothing plays, the
/// active player stays while it has a song loaded, else the first that has
/// one takes over. A browser's own media entry that shows the song its
/// connected YouTube Music row, or the Apple Music row, shows is never
/// chosen. No switch happens while the user scrubs, sends a command to or
/// drags the volume of the active player. Main thread only.
class MusicController final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(PlayerController *active READ activePointer NOTIFY activeChanged)

public:
    using Players = std::vector<std::unique_ptr<PlayerController>>;

    /// A setting of earlier versions, discarded at construction.
    static constexpr char kStaleSourceKey[] = "music.source";

    /// `players` none builds one player per `MusicSource` with the bridge
    /// that suits it; a list given must not be empty. `presenter` shows the
    /// connection dialog (none: the dialog is never shown).
    MusicController(Settings &defaults, PlayerController::Services services,
                    std::optional<Players> players = std::nullopt,
                    MusicConnectionPresenting *presenter = nullptr, QObject *parent = nullptr);
    ~MusicController() override;

    /// Hands a player's bridge over before its controller takes it (to
    /// watch or replace it).
    using BridgeWrapper = std::function<std::unique_ptr<PlayerBridging>(
        MusicSource, std::unique_ptr<PlayerBridging>)>;

    /// One player per `MusicSource`, in their order, each with its own
    /// bridge and cover loader.
    static Players defaultPlayers(const PlayerController::Services &services,
                                  const BridgeWrapper &wrap = {});

    /// Most MPRIS players followed besides the seven rows.
    static constexpr int kMaxOtherPlayers = 16;

    /// Follows every MPRIS player of `directory` that is not Spotify's as a
    /// player of its own, started as the others are.
    void followOtherPlayers(MprisServiceDirectory &directory, QDBusConnection bus);
    /// Other MPRIS players on the bus past `kMaxOtherPlayers`, not followed.
    int otherPlayersLeftOut() const { return m_leftOut; }
    /// The bus name of an MPRIS player besides the seven rows; else empty.
    QString busName(const PlayerController &player) const;
    /// The icon-theme name of such a player (its `DesktopEntry`); else empty.
    QString iconName(const PlayerController &player) const { return m_iconNames.value(&player); }

    /// The players a person may pick: those running, with a song or not,
    /// less a browser's entry hidden behind its YouTube Music row.
    QList<PlayerController *> runningPlayers() const;
    /// Shows `player` as if it had just started playing, until another
    /// player really starts.
    void pick(PlayerController &player);

    PlayerController &active() const { return *m_active; }
    const Players &players() const { return m_players; }

    void start();
    void stop();
    /// The crest opened: connected and transiently failing players are read
    /// at once; players waiting for the user are left alone.
    void refreshForPresentation();

    /// The players offered in the crest's music menu: every browser that is
    /// installed, and the others always.
    QList<MusicSource> availableSources() const;

    /// The connection dialog of the player for `source`.
    void showConnectionSetup(MusicSource source);
    /// What that dialog shows for `player` now.
    MusicConnectionPrompt connectionPrompt(const PlayerController &player) const;

signals:
    void activeChanged();
    /// The active player's song, playing state or availability changed.
    void changed();

private:
    using Flags = std::array<bool, 3>;

    PlayerController *activePointer() const { return m_active; }
    void subscribe(PlayerController &player);
    void reconcile();
    PlayerController *choose() const;
    bool isHidden(const PlayerController &player) const;
    bool isListed(const PlayerController &player) const;
    void syncOtherPlayers();
    void addOtherPlayer(const QString &busName);
    void removeOtherPlayer(size_t index);

    ApplicationLookup &m_applications;
    MusicConnectionPresenting *const m_presenter;
    std::optional<PlayerController::Services> m_services;
    Players m_players;
    PlayerController *m_active = nullptr;
    bool m_isStarted = false;

    QHash<const PlayerController *, bool> m_wasPlaying;
    QHash<const PlayerController *, quint64> m_activity;
    QHash<const PlayerController *, QString> m_busNames;
    QHash<const PlayerController *, QString> m_iconNames;
    quint64 m_sequence = 0;
    const PlayerController *m_picked = nullptr;
    quint64 m_pickedAt = 0;

    QPointer<MprisServiceDirectory> m_directory;
    QDBusConnection m_bus{QString()};
    int m_leftOut = 0;
};
