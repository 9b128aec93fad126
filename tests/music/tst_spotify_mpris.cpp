#include "core/SystemClock.h"
#include "platform/apps/MprisApplicationLookup.h"
#include "platform/apps/SystemApplicationLookup.h"
#include "platform/dbus/MprisTrackMetadata.h"
#include "players/model/MusicSource.h"
#include "players/model/SpotifyPlaybackObserver.h"
#include "players/mpris/SpotifyLocalBridge.h"
#include "support/AwaitCompletion.h"
#include "support/FakeMprisPlayer.h"
#include "support/TestRows.h"

#include <QCoreApplication>
#include <QTest>

using Kind = PlayerError::Kind;

namespace {

const qint32 kOwnPID = qint32(QCoreApplication::applicationPid());
const QString kTrackID = QStringLiteral("6rqhFgbbKwnb9MLmUQDhG6");

PlayerSnapshotResult snapshotOf(SpotifyLocalBridge &bridge)
{
    return awaitCompletion<PlayerSnapshotResult>(
        [&](auto done) { bridge.snapshot(kOwnPID, true, done); });
}

void playSong(FakeMprisPlayer &player, const QString &id)
{
    player.setPlayerProperty("PlaybackStatus", "Playing");
    player.setPlayerProperty("Volume", 0.55);
    player.setPlayerProperty("Position", qlonglong(42'500'000));
    player.setPlayerProperty(
        "Metadata", FakeMprisPlayer::spotifyMetadata(id, "Song", {"A", "B"}, "Album", 215'000'000));
}

} // namespace

class SpotifyMprisTest : public QObject
{
    Q_OBJECT

private slots:
    void realStackKeepsAbsurdAnswersBounded_data()
    {
        columns<QVariant, double>("length", "duration");
        row("Spotify's unsigned microseconds", QVariant::fromValue(qulonglong(215'000'000)), 215.0);
        row("negative", QVariant::fromValue(qlonglong(-5'000'000)), 0.0);
        row("not a number", QVariant(qQNaN()), 0.0);
        row("ten years", QVariant::fromValue(qulonglong(315'360'000'000'000)), 315'360'000.0);
    }

    void realStackKeepsAbsurdAnswersBounded()
    {
        auto [length, duration] = fetch<QVariant, double>("length", "duration");
        FakeMprisPlayer player;
        QVERIFY(player.start());
        playSong(player, kTrackID);
        QVariantMap metadata = player.playerProperty("Metadata").toMap();
        metadata["mpris:length"] = length;
        metadata["xesam:title"] = QString(10'000'000, u'x');
        player.setPlayerProperty("Metadata", metadata);
        const auto bridge = SpotifyLocalBridge::create(MusicSource::spotify);
        const auto result = snapshotOf(*bridge);
        QCOMPARE(result.value().timing.duration, duration);
        QCOMPARE(result.value().title.size(), MprisTrackMetadata::kMaxTextLength);
        QCOMPARE(LyricsTrack::from(result.value()), std::nullopt);
    }

    // The player quits while the bridge polls: whether the quit lands
    // mid-read (a dead peer, not a slow one) or before the next poll, the
    // player is not running, never timed out.
    void playerVanishingMidPollIsNotRunning()
    {
        FakeMprisPlayer player;
        QVERIFY(player.start());
        playSong(player, kTrackID);
        player.vanishAfter("GetAll");
        const auto bridge = SpotifyLocalBridge::create(MusicSource::spotify);
        const auto first = snapshotOf(*bridge);
        QVERIFY(first.isSuccess() || errorOf(first) == PlayerError(Kind::notRunning));
        QTRY_VERIFY(!player.isRunning());
        QCOMPARE(errorOf(snapshotOf(*bridge)), PlayerError(Kind::notRunning));
    }

    void playerSignalsReachTheObserver()
    {
        int changes = 0;
        auto observer =
            std::make_unique<SpotifyPlaybackObserver>(MusicSource::spotify, [&] { ++changes; });
        FakeMprisPlayer player;
        QVERIFY(player.start());
        player.setPlayerProperty("PlaybackStatus", "Playing");
        QTRY_COMPARE(changes, 1);

        observer.reset();
        int later = 0;
        SpotifyPlaybackObserver another(MusicSource::spotify, [&] { ++later; });
        player.setPlayerProperty("PlaybackStatus", "Playing");
        QTRY_COMPARE(later, 1);
        QCOMPARE(changes, 1);
    }

    void spotifyProcessIsTheOwnerOfItsService()
    {
        SystemApplicationLookup system(SystemClock::shared());
        MprisApplicationLookup lookup(system);
        const MusicSource spotify = MusicSource::spotify;
        const auto withoutService = spotify.processID(system);
        QCOMPARE(spotify.processID(lookup), withoutService);
        {
            FakeMprisPlayer player;
            QVERIFY(player.start());
            QTRY_COMPARE(spotify.processID(lookup), std::optional(kOwnPID));
            QCOMPARE(MusicSource(MusicSource::chrome).processID(lookup),
                     MusicSource(MusicSource::chrome).processID(system));
        }
        QTRY_COMPARE(spotify.processID(lookup), withoutService);
    }
};

QTEST_GUILESS_MAIN(SpotifyMprisTest)
#include "tst_spotify_mpris.moc"
