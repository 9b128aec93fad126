#pragma once

#include "core/SerialWorker.h"
#include "platform/browser/BrowserPlayerChannel.h"
#include "players/browser/BrowserTabFollower.h"
#include "players/model/MusicSource.h"
#include "players/model/PlayerBridging.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>

class Settings;

/// The bridge to a music site playing in browser tabs, through Velloway's
/// extension. A browser row (one per browser) follows YouTube Music in its
/// own browser. The Apple Music row follows music.apple.com in every browser
/// whose extension is connected, and chooses among the browsers as among
/// tabs: the one whose tab plays, else the one it followed before, else the
/// first with a song. In each browser a `BrowserTabFollower` finds, reads and
/// controls the site's tab. No browser is asked anything before the user
/// connected the row (its consent flag). All requests run on the bridge's
/// own serial worker; completions arrive on the main thread.
class BrowserMusicBridge final : public PlayerBridging
{
public:
    static constexpr Seconds kSnapshotBudget{4};
    static constexpr Seconds kCommandBudget{3};
    static constexpr Seconds kScanInterval = BrowserTabFollower::kScanInterval;
    static constexpr int kMaxWindows = BrowserTabFollower::kMaxWindows;
    static constexpr int kMaxTabsPerWindow = BrowserTabFollower::kMaxTabsPerWindow;

    /// `source` is a browser or Apple Music; `coverSide` is the side in
    /// pixels asked of Apple's artwork servers. The channel, the clock and
    /// the settings are used on the bridge's worker only.
    BrowserMusicBridge(MusicSource source, std::unique_ptr<BrowserPlayerChannel> channel,
                       const Clock &clock, Settings &settings, int coverSide = 160);
    /// Waits for the request in progress, if any; pending completions never run.
    ~BrowserMusicBridge() override;

    /// A bridge talking to the browsers' Velloway extension, with the
    /// process-wide settings, asking Apple's artwork servers for covers the
    /// size the crest draws on the primary screen. Starts listening for the
    /// extension's host.
    static std::unique_ptr<BrowserMusicBridge> create(MusicSource source);
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
    PlayerSnapshotResult readSnapshot(qint32 processID, bool requestPermission);
    PlayerSnapshotResult readAcrossBrowsers(Seconds deadline);
    PlayerSendResult perform(const PlayerCommand &command, qint32 processID);
    BrowserTabFollower &follower(qint32 browser);

    const MusicSource m_source;
    const bool m_acrossBrowsers; // the site's tabs in every connected browser
    const BrowserSite m_site;
    const std::unique_ptr<BrowserPlayerChannel> m_channel;
    const Clock &m_clock;
    Settings &m_settings;
    std::function<void()> m_prepare;

    // Worker only. A browser row has one follower, under 0.
    std::map<qint32, std::unique_ptr<BrowserTabFollower>> m_followers;
    std::optional<qint32> m_lastBrowser;

    std::unique_ptr<QObject> m_context; // completions are delivered through it
    SerialWorker m_worker{QStringLiteral("Velloway.YouTubeBrowser")}; // last: stops first
};
