#pragma once

#include "platform/browser/BrowserPlayerChannel.h"
#include "players/browser/BrowserPlayback.h"
#include "players/browser/PlaybackChoice.h"
#include "players/model/MusicSource.h"

#include <optional>

/// Follows one music site's tabs in one browser: finds the tab that plays
/// (else the one it followed before, else the first with a song) through
/// the browser's windows and tab addresses, reads and controls it by running
/// the site's page program there, remembers it, and rescans at most every
/// 3 seconds, so that a poll of a known tab costs two requests. Not
/// thread-safe: its owner calls it from one worker.
class BrowserTabFollower
{
public:
    static constexpr Seconds kScanInterval{3};
    /// No single request waits longer than this.
    static constexpr Seconds kMaxRequestWait{2};
    static constexpr int kMaxWindows = 24;
    static constexpr int kMaxTabsPerWindow = 128;

    /// `source` names the row in the words the user reads. The channel and
    /// the clock outlive the follower.
    BrowserTabFollower(MusicSource source, const BrowserSite &site, BrowserPlayerChannel &channel,
                       const Clock &clock);

    /// What the browser `processID` plays on the site, by `deadline`: the
    /// chosen tab's snapshot, an empty snapshot when no tab has a song, or
    /// why it could not be read. A new process forgets the tab.
    PlayerSnapshotResult snapshot(qint32 processID, Seconds deadline);
    /// Sends `command` to the tab the last snapshot chose, naming its song.
    PlayerSendResult perform(const PlayerCommand &command, qint32 processID, Seconds deadline);
    /// The next snapshot scans the windows, however recent the last scan.
    void scanSoon() { m_nextScan.reset(); }

private:
    using Tab = BrowserPlayerChannel::Tab;

    /// A playing snapshot, an error, or nothing when the scan found no
    /// playing tab (`choice` may hold a candidate).
    std::optional<PlayerSnapshotResult> scan(qint32 processID, Seconds deadline,
                                             PlaybackChoice<Tab> &choice);
    bool isSite(qint32 processID, const Tab &tab, Seconds deadline);
    PlayerSnapshotResult read(qint32 processID, const Tab &tab, Seconds deadline);
    PlayerResult<QJsonObject> run(qint32 processID, const Tab &tab, const QJsonObject &action,
                                  Seconds deadline);
    /// How long the next request may wait: none once `deadline` has passed.
    std::optional<Seconds> waitBefore(Seconds deadline) const;

    const MusicSource m_source;
    const BrowserSite &m_site;
    BrowserPlayerChannel &m_channel;
    const Clock &m_clock;

    std::optional<Tab> m_lastTab;
    std::optional<QString> m_lastID;
    std::optional<qint32> m_lastPID;
    std::optional<Seconds> m_nextScan; // none: the distant past
};
