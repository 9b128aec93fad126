#pragma once

#include "lyrics/LyricsProviding.h"
#include "music/SpotifyArtworkProviding.h"
#include "music/SpotifySnapshot.h"
#include "platform/apps/ApplicationLookup.h"
#include "platform/dbus/PlayerNotificationCenter.h"

/// Player applications, installed unless told otherwise, running as `pid` when set.
struct FakeApps : ApplicationLookup
{
    explicit FakeApps(std::optional<qint32> running = std::nullopt) : pid(running) {}
    bool installed = true;
    std::optional<qint32> pid;
    std::optional<qint32> processID(const ApplicationIdentity &) override { return pid; }
    bool isInstalled(const ApplicationIdentity &) override { return installed; }
};

/// A notification center where no player ever announces a change.
struct NoBroadcasts : PlayerNotificationCenter
{
    CancelHandle observe(const QString &, std::function<void()>) override { return {}; }
};

/// Cover and lyrics sources that never answer.
struct NoCovers : SpotifyArtworkProviding
{
    CancelHandle data(const QUrl &, Completion) override { return {}; }
};
struct NoLyrics : LyricsProviding
{
    CancelHandle lyrics(const LyricsTrack &, QObject *, Completion) override { return {}; }
};

/// "Song" by "Artist" playing at `elapsed` of `duration` seconds, volume 40.
inline SpotifySnapshot playingSong(const QString &title = QStringLiteral("Song"),
                                   double elapsed = 50, double duration = 200)
{
    SpotifySnapshot s;
    s.title = title;
    s.artist = QStringLiteral("Artist");
    s.isPlaying = true;
    s.timing = {duration, elapsed, elapsed / duration};
    s.volume = 40;
    return s;
}
