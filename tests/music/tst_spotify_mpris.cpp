#include "core/SystemClock.h"
#include "music/MusicSource.h"
#include "music/SpotifyLocalBridge.h"
#include "music/SpotifyPlaybackObserver.h"
#include "platform/apps/MprisApplicationLookup.h"
#include "platform/apps/SystemApplicationLookup.h"
#include "platform/dbus/MprisTrackMetadata.h"
#include "support/AwaitCompletion.h"
#include "support/FakeMprisPlayer.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QTest>

using Kind = SpotifyLocalError::Kind;

namespace {

const qint32 kOwnPID = qint32(QCoreApplication::applicationPid());
const QString kTrackID = QStringLiteral("6rqhFgbbKwnb9MLmUQDhG6");

SpotifySnapshotResult snapshotOf(SpotifyLocalBridge &bridge)
{
    return awaitCompletion<SpotifySnapshotResult>(
        [&](auto done) { bridge.snapshot(kOwnPID, true, done); });
}

SpotifySendResult sendTo(SpotifyLocalBridge &bridge, const SpotifyCommand &command)
{
    return awaitCompletion<SpotifySendResult>(
        [&](auto done) { bridge.send(command, kOwnPID, done); });
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
    void snapshotOfSpotifyOverMpris()
    {
        FakeMprisPlayer player;
        QVERIFY(player.start());
        playSong(player, kTrackID);
        const auto bridge = SpotifyLocalBridge::create(MusicSource::spotify);
        const auto result = snapshotOf(*bridge);
        QVERIFY(result.isSuccess());
        const SpotifySnapshot &snapshot = result.value();
        QCOMPARE(snapshot.title, "Song");
        QCOMPARE(snapshot.artist, "A, B");
        QCOMPARE(snapshot.album, "Album");
        QCOMPARE(snapshot.spotifyURI, "spotify:track:" + kTrackID);
        QCOMPARE(snapshot.artworkURL,
                 QUrl("https://i.scdn.co/image/ab67616d0000b2730123456789abcdef01234567"));
        QVERIFY(snapshot.isPlaying);
        QCOMPARE(snapshot.timing.duration, 215.0);
        QCOMPARE(snapshot.timing.elapsed, 42.5);
        QCOMPARE(snapshot.volume, 55);
        QCOMPARE(snapshot.playbackID, std::nullopt);

        player.setPlayerProperty("PlaybackStatus", "Stopped");
        QCOMPARE(snapshotOf(*bridge).value().title, QString());
        player.setPlayerProperty("PlaybackStatus", "Paused");
        player.setPlayerProperty("Metadata", QVariantMap());
        const auto empty = snapshotOf(*bridge);
        QCOMPARE(empty.value().title, QString());
        QCOMPARE(empty.value().volume, 55);
    }

    void absurdAnswersStayBounded_data()
    {
        QTest::addColumn<QVariant>("length");
        QTest::addColumn<double>("duration");
        QTest::newRow("negative") << QVariant::fromValue(qlonglong(-5'000'000)) << 0.0;
        QTest::newRow("not a number") << QVariant(qQNaN()) << 0.0;
        QTest::newRow("text") << QVariant("215") << 0.0;
        QTest::newRow("ten years")
            << QVariant::fromValue(qulonglong(315'360'000'000'000)) << 315'360'000.0;
    }

    void absurdAnswersStayBounded()
    {
        QFETCH(QVariant, length);
        QFETCH(double, duration);
        FakeMprisPlayer player;
        QVERIFY(player.start());
        playSong(player, kTrackID);
        QVariantMap metadata = player.playerProperty("Metadata").toMap();
        metadata["mpris:length"] = length;
        metadata["xesam:title"] = QString(10'000'000, u'x');
        player.setPlayerProperty("Metadata", metadata);
        const auto bridge = SpotifyLocalBridge::create(MusicSource::spotify);
        const auto result = snapshotOf(*bridge);
        QVERIFY(result.isSuccess());
        QCOMPARE(result.value().timing.duration, duration);
        QCOMPARE(result.value().title.size(), MprisTrackMetadata::kMaxTextLength);
        QCOMPARE(LyricsTrack::from(result.value()), std::nullopt);
    }

    void commandsAndTheGuardedSeekReachThePlayer()
    {
        FakeMprisPlayer player;
        QVERIFY(player.start());
        playSong(player, kTrackID);
        const auto bridge = SpotifyLocalBridge::create(MusicSource::spotify);
        const auto track = LyricsTrack::from(snapshotOf(*bridge).value());
        QVERIFY(track);

        QVERIFY(sendTo(*bridge, SpotifyCommand::seek(500, *track)).isSuccess());
        auto seeks = player.calls("SetPosition");
        QCOMPARE(seeks.size(), 1);
        QCOMPARE(seeks[0].arguments[0].value<QDBusObjectPath>().path(),
                 "/com/spotify/track/" + kTrackID);
        QCOMPARE(seeks[0].arguments[1].toLongLong(), 215'000'000);

        playSong(player, QStringLiteral("0000000000000000000000")); // the user skipped
        QCOMPARE(*sendTo(*bridge, SpotifyCommand::seek(10, *track)).localError(),
                 SpotifyLocalError(Kind::trackChanged));
        QCOMPARE(player.calls("SetPosition").size(), 1);

        QVERIFY(sendTo(*bridge, SpotifyCommand::toggle()).isSuccess());
        QVERIFY(sendTo(*bridge, SpotifyCommand::next()).isSuccess());
        QVERIFY(sendTo(*bridge, SpotifyCommand::previous()).isSuccess());
        QVERIFY(sendTo(*bridge, SpotifyCommand::volume(130)).isSuccess());
        QCOMPARE(player.calls("PlayPause").size(), 1);
        QCOMPARE(player.calls("Next").size(), 1);
        QCOMPARE(player.calls("Previous").size(), 1);
        QCOMPARE(player.playerProperty("Volume").toDouble(), 1.0);
    }

    void playerVanishingMidPollIsNotRunning()
    {
        FakeMprisPlayer player;
        QVERIFY(player.start());
        playSong(player, kTrackID);
        player.vanishAfter("GetAll");
        const auto bridge = SpotifyLocalBridge::create(MusicSource::spotify);
        QCOMPARE(*snapshotOf(*bridge).localError(), SpotifyLocalError(Kind::notRunning));
        QCOMPARE(*snapshotOf(*bridge).localError(), SpotifyLocalError(Kind::notRunning));
    }

    void appleMusicIsNeverThere()
    {
        QVERIFY(!MusicSource(MusicSource::appleMusic).isInstalled());
        QCOMPARE(MusicSource(MusicSource::appleMusic).processID(), std::nullopt);
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
        player.emitSeeked(1'000'000);
        QTRY_COMPARE(changes, 2);

        observer.reset();
        int later = 0;
        SpotifyPlaybackObserver another(MusicSource::spotify, [&] { ++later; });
        player.setPlayerProperty("PlaybackStatus", "Playing");
        QTRY_COMPARE(later, 1);
        QCOMPARE(changes, 2);
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
