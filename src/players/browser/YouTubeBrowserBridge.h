#pragma once

#include "core/SerialWorker.h"
#include "players/model/MusicSource.h"
#include "players/model/PlayerBridging.h"
#include "players/model/ScriptExchange.h"

#include <QObject>

#include <memory>

class Settings;

/// The bridge to YouTube Music playing in a browser tab (one per browser).
/// It finds the tab through the browser's windows and tab addresses, reads
/// and controls the player by running the `YouTubePlayback` program in it,
/// remembers the tab it found and rescans at most every 3 seconds, so that a
/// poll with a known tab costs two scripting events. The browser is never
/// scripted before the user connected it (the consent flag). All scripting
/// runs on the bridge's own serial worker; completions arrive on the main
/// thread.
class YouTubeBrowserBridge final : public PlayerBridging
{
public:
    static constexpr Seconds kSnapshotBudget{4};
    static constexpr Seconds kCommandBudget{3};
    static constexpr Seconds kScanInterval{3};
    static constexpr int kMaxWindows = 24;
    static constexpr int kMaxTabsPerWindow = 128;

    /// `source` is a browser. The transport, the clock and the settings are
    /// used on the bridge's worker only.
    YouTubeBrowserBridge(MusicSource source, std::unique_ptr<ScriptTransport> transport,
                         const Clock &clock, Settings &settings);
    /// Waits for the request in progress, if any; pending completions never run.
    ~YouTubeBrowserBridge() override;

    /// A bridge talking to the browser's Velloway extension, with the
    /// process-wide settings. Starts listening for the extension's host and
    /// installs the host's manifest and the extension on first use.
    static std::unique_ptr<YouTubeBrowserBridge> create(MusicSource source);

    /// The settings key of the consent flag of `source`.
    static QString consentKey(MusicSource source);

    void snapshot(qint32 processID, bool requestPermission, SnapshotCompletion completion) override;
    void send(const PlayerCommand &command, qint32 processID, SendCompletion completion) override;

private:
    struct Candidate
    {
        ScriptDescriptor tab;
        PlayerSnapshot snapshot;
    };

    PlayerSnapshotResult readSnapshot(qint32 processID, bool requestPermission);
    /// A playing snapshot, an error, or nothing when the scan found no
    /// playing tab (a candidate may have been set).
    std::optional<PlayerSnapshotResult> scan(ScriptExchange &exchange, Seconds deadline,
                                             std::optional<Candidate> &candidate);
    PlayerSendResult perform(const PlayerCommand &command, qint32 processID);

    bool isMusic(ScriptExchange &exchange, const ScriptDescriptor &tab, Seconds deadline);
    PlayerSnapshotResult read(ScriptExchange &exchange, const ScriptDescriptor &tab,
                              Seconds deadline);
    PlayerResult<QByteArray> execute(ScriptExchange &exchange, const ScriptDescriptor &tab,
                                     const QString &script, Seconds deadline);
    /// Every browser here speaks the same extension, so the same object model.
    static ScriptDescriptor tab(qint32 index, const ScriptDescriptor &window);

    const MusicSource m_source;
    const std::unique_ptr<ScriptTransport> m_transport;
    const Clock &m_clock;
    Settings &m_settings;

    // Worker only.
    std::optional<ScriptDescriptor> m_lastTab;
    std::optional<QString> m_lastID;
    std::optional<qint32> m_lastPID;
    std::optional<Seconds> m_nextScan; // none: the distant past

    std::unique_ptr<QObject> m_context; // completions are delivered through it
    SerialWorker m_worker{QStringLiteral("Velloway.YouTubeBrowser")}; // last: stops first
};
