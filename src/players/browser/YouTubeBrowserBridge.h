#pragma once

#include "core/SerialWorker.h"
#include "platform/browser/BrowserPlayerChannel.h"
#include "players/model/MusicSource.h"
#include "players/model/PlayerBridging.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class Settings;

/// The bridge to YouTube Music playing in a browser tab (one per browser).
/// It finds the tab through the browser's windows and tab addresses, reads
/// and controls the player by running the `YouTubePlayback` program in it
/// with an action, remembers the tab it found and rescans at most every 3
/// seconds, so that a poll with a known tab costs two requests. The browser
/// is never asked anything before the user connected it (the consent flag).
/// All requests run on the bridge's own serial worker; completions arrive on
/// the main thread.
class YouTubeBrowserBridge final : public PlayerBridging
{
public:
    static constexpr Seconds kSnapshotBudget{4};
    static constexpr Seconds kCommandBudget{3};
    static constexpr Seconds kScanInterval{3};
    /// No single request waits longer than this.
    static constexpr Seconds kMaxRequestWait{2};
    static constexpr int kMaxWindows = 24;
    static constexpr int kMaxTabsPerWindow = 128;

    /// `source` is a browser. The channel, the clock and the settings are
    /// used on the bridge's worker only.
    YouTubeBrowserBridge(MusicSource source, std::unique_ptr<BrowserPlayerChannel> channel,
                         const Clock &clock, Settings &settings);
    /// Waits for the request in progress, if any; pending completions never run.
    ~YouTubeBrowserBridge() override;

    /// A bridge talking to the browser's Velloway extension, with the
    /// process-wide settings. Starts listening for the extension's host and
    /// installs the host's manifest and the extension on first use.
    static std::unique_ptr<YouTubeBrowserBridge> create(MusicSource source);
    /// Puts the extension in the data folder and tells each installed
    /// browser where its host is; once per process. The running program
    /// does it at launch; a look at the players (`--players`) does not.
    static void installForUser();

    /// Run on the bridge's worker each time a person connects: the
    /// production bridge writes the host's manifest for every browser that
    /// exists now, so a browser installed or first run since launch finds it.
    void setConnectPreparation(std::function<void()> prepare) { m_prepare = std::move(prepare); }

    /// The settings key of the consent flag of `source`.
    static QString consentKey(MusicSource source);

    void snapshot(qint32 processID, bool requestPermission, SnapshotCompletion completion) override;
    void send(const PlayerCommand &command, qint32 processID, SendCompletion completion) override;

private:
    using Tab = BrowserPlayerChannel::Tab;

    struct Candidate
    {
        Tab tab;
        PlayerSnapshot snapshot;
    };

    PlayerSnapshotResult readSnapshot(qint32 processID, bool requestPermission);
    /// A playing snapshot, an error, or nothing when the scan found no
    /// playing tab (a candidate may have been set).
    std::optional<PlayerSnapshotResult> scan(qint32 processID, Seconds deadline,
                                             std::optional<Candidate> &candidate);
    PlayerSendResult perform(const PlayerCommand &command, qint32 processID);

    bool isMusic(qint32 processID, const Tab &tab, Seconds deadline);
    PlayerSnapshotResult read(qint32 processID, const Tab &tab, Seconds deadline);
    PlayerResult<QJsonObject> run(qint32 processID, const Tab &tab, const QJsonObject &action,
                                  Seconds deadline);
    /// How long the next request may wait: none once `deadline` has passed.
    std::optional<Seconds> waitBefore(Seconds deadline) const;

    const MusicSource m_source;
    const std::unique_ptr<BrowserPlayerChannel> m_channel;
    const Clock &m_clock;
    Settings &m_settings;
    std::function<void()> m_prepare;

    // Worker only.
    std::optional<Tab> m_lastTab;
    std::optional<QString> m_lastID;
    std::optional<qint32> m_lastPID;
    std::optional<Seconds> m_nextScan; // none: the distant past

    std::unique_ptr<QObject> m_context; // completions are delivered through it
    SerialWorker m_worker{QStringLiteral("Velloway.YouTubeBrowser")}; // last: stops first
};
