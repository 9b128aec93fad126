#pragma once

#include "core/SerialWorker.h"
#include "players/model/MusicSource.h"
#include "players/model/PlayerBridging.h"
#include "players/model/ScriptExchange.h"

#include <QObject>

#include <memory>

/// The bridge to the two desktop players that can be scripted, Spotify and
/// Apple Music: it reads the player's state and current track and sends
/// playback commands as scripting events addressed to the player's process,
/// each request within a strict time budget, and keeps Apple Music's
/// embedded cover for the current track. All scripting of one bridge runs
/// on its own serial worker; completions arrive on the main thread.
class SpotifyLocalBridge final : public PlayerBridging
{
public:
    static constexpr Seconds kSnapshotBudget{4};
    static constexpr Seconds kSeekBudget{3};
    static constexpr Seconds kCommandTimeout{3};
    static constexpr qsizetype kMaxArtworkBytes = 2'097'152;
    static constexpr Seconds kArtworkRetry{15};

    /// `source` is `spotify` or `appleMusic`. The transport and the clock are
    /// used on the bridge's worker only.
    SpotifyLocalBridge(MusicSource source, std::unique_ptr<ScriptTransport> transport,
                       const Clock &clock);
    /// Waits for the request in progress, if any; pending completions never run.
    ~SpotifyLocalBridge() override;

    /// A bridge talking to the player over this system's transport.
    static std::unique_ptr<SpotifyLocalBridge> create(MusicSource source);

    MusicSource source() const { return m_source; }

    void snapshot(qint32 processID, bool requestPermission, SnapshotCompletion completion) override;
    void send(const PlayerCommand &command, qint32 processID, SendCompletion completion) override;

private:
    PlayerSnapshotResult readSnapshot(qint32 processID, bool requestPermission);
    PlayerSnapshotResult readTrack(ScriptExchange &exchange, Seconds deadline, bool isPlaying,
                                   std::optional<int> volume);
    PlayerSendResult perform(const PlayerCommand &command, qint32 processID);
    PlayerSendResult seek(ScriptExchange &exchange, double position, const LyricsTrack &track);
    std::optional<QByteArray> cachedCover(ScriptExchange &exchange, Seconds deadline,
                                          const QString &key);
    /// The player's duration in milliseconds (Spotify reports milliseconds,
    /// Apple Music seconds).
    double durationMilliseconds(double reported) const;

    const MusicSource m_source;
    const std::unique_ptr<ScriptTransport> m_transport;
    const Clock &m_clock;

    // Worker only.
    QString m_cachedArtworkKey;
    std::optional<QByteArray> m_cachedArtwork;
    std::optional<Seconds> m_nextLocalArtworkAttempt; // none: the distant past

    std::unique_ptr<QObject> m_context; // completions are delivered through it
    SerialWorker m_worker{QStringLiteral("Velloway.Spotify.AppleEvents")}; // last: stops first
};
