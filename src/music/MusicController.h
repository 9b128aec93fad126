#pragma once

#include "players/model/MusicSource.h"
#include "players/model/PlayerController.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class MusicConnectionPresenting;
struct MusicConnectionPrompt;
class Settings;

/// Owns one player controller per supported player and chooses the active
/// one, whose song the crest shows and the lyrics follow: the player that
/// most recently started playing wins; when nothing plays, the active player
/// stays while it has a song loaded, else the first that has one takes
/// over. No switch happens while the user scrubs, sends a command to or
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

    /// One player per `MusicSource`, in their order, each with its own
    /// bridge and cover loader.
    static Players defaultPlayers(const PlayerController::Services &services);

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

    ApplicationLookup &m_applications;
    MusicConnectionPresenting *const m_presenter;
    Players m_players;
    PlayerController *m_active = nullptr;

    QHash<MusicSource, bool> m_wasPlaying;
    QHash<MusicSource, quint64> m_activity;
    quint64 m_sequence = 0;
};
