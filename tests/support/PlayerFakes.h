#pragma once

#include "artwork/ArtworkProviding.h"
#include "lyrics/LyricsProviding.h"
#include "platform/apps/ApplicationLookup.h"
#include "players/model/PlayerController.h"
#include "players/model/PlayerSnapshot.h"
#include "support/RecordingWorkspace.h"
#include "support/ScriptedBridge.h"
#include "support/VirtualTime.h"

#include <vector>

/// Player applications, installed unless told otherwise, running as `pid` when set.
struct FakeApps : ApplicationLookup
{
    explicit FakeApps(std::optional<qint32> running = std::nullopt) : pid(running) {}
    bool installed = true;
    std::optional<qint32> pid;
    std::optional<qint32> processID(const ApplicationIdentity &) override { return pid; }
    bool isInstalled(const ApplicationIdentity &) override { return installed; }
};

/// Cover and lyrics sources that never answer.
struct NoCovers : ArtworkProviding
{
    CancelHandle data(const QUrl &, Completion) override { return {}; }
};
struct NoLyrics : LyricsProviding
{
    CancelHandle lyrics(const LyricsTrack &, QObject *, Completion) override { return {}; }
};

/// Lyrics that arrive `seconds` after each lookup on virtual time; unless
/// `cancellable`, even after a cancel (a transfer may finish before it
/// notices). Records the titles looked up.
struct TimedLyrics : LyricsProviding
{
    TimedLyrics(VirtualTime &t, double s, bool c, LyricsResult r = LyricsDocument())
        : time(t), seconds(s), cancellable(c), result(std::move(r))
    {}
    VirtualTime &time;
    double seconds;
    bool cancellable;
    LyricsResult result;
    QList<QString> lookups;
    std::vector<CancelHandle> uncancelled;
    CancelHandle lyrics(const LyricsTrack &track, QObject *, Completion completion) override
    {
        lookups << track.title();
        CancelHandle delivery =
            time.after(Seconds(seconds), [completion, r = result] { completion(r); });
        if (cancellable)
            return delivery;
        uncancelled.push_back(std::move(delivery));
        return CancelHandle([] {});
    }
};

/// "Song" by "Artist" playing at `elapsed` of `duration` seconds, volume 40.
inline PlayerSnapshot playingSong(const QString &title = QStringLiteral("Song"),
                                  double elapsed = 50, double duration = 200)
{
    PlayerSnapshot s;
    s.title = title;
    s.artist = QStringLiteral("Artist");
    s.isPlaying = true;
    s.timing = {duration, elapsed, elapsed / duration};
    s.volume = 40;
    return s;
}

// Covers that fail (or, once `bytes` is set, arrive) at once, on virtual time.
struct Covers : ArtworkProviding
{
    VirtualTime &time;
    QByteArray bytes;
    QList<double> requestTimes;
    explicit Covers(VirtualTime &t) : time(t) {}
    CancelHandle data(const QUrl &, Completion completion) override
    {
        requestTimes << time.now().count();
        ArtworkResult result{bytes, ArtworkError::badServerResponse, {}, {}};
        if (!bytes.isEmpty())
            result.error.reset();
        return time.after(Seconds(0), [completion, result] { completion(result); });
    }
};

/// One player on a scripted bridge and virtual time, running as `pid` when set.
struct PlayerRig
{
    VirtualTime time;
    RecordingWorkspace workspace;
    FakeApps apps;
    std::optional<qint32> pid = 100;
    ScriptedBridge *bridge = new ScriptedBridge(time);
    Covers *covers = new Covers(time);
    PlayerController c;

    explicit PlayerRig(MusicSource source = MusicSource::spotify)
        : c(source, std::unique_ptr<PlayerBridging>(bridge),
            std::unique_ptr<ArtworkProviding>(covers), {time, time, workspace, &apps},
            [this] { return pid; })
    {}

    // Starts polling with `snapshot` playing and lets the first poll land.
    void play(const PlayerSnapshot &snapshot = playingSong())
    {
        bridge->reply = snapshot;
        c.start();
        time.advance(0);
    }
};
