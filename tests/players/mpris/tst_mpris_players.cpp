#include "music/MusicController.h"
#include "platform/dbus/MprisPlayerLink.h"
#include "platform/dbus/MprisServiceDirectory.h"
#include "platform/dbus/MprisTrackMetadata.h"
#include "players/model/VolumeController.h"
#include "players/mpris/MprisPlayerBridge.h"
#include "support/FakeMprisPlayer.h"
#include "support/MemorySettings.h"
#include "support/PlayerFakes.h"
#include "support/PrivateSessionBus.h"
#include "support/TestRows.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const QString kVlc = u"org.mpris.MediaPlayer2.vlc"_s;
const QString kMpv = u"org.mpris.MediaPlayer2.mpv"_s;

QVariantMap song(const QString &title, const QString &path = u"/org/videolan/vlc/1"_s,
                 qlonglong length = 200'000'000)
{
    return FakeMprisPlayer::standardMetadata(path, title, {u"Artist"_s}, u"Album"_s, length);
}

void play(FakeMprisPlayer &player, const QString &title, const QString &status = u"Playing"_s)
{
    player.setPlayerProperty(u"Metadata"_s, song(title));
    player.setPlayerProperty(u"PlaybackStatus"_s, status);
}

// The players on the test's own session bus, followed the way the crest
// follows them, on virtual time. Spotify's row is the first player.
struct Bus
{
    VirtualTime time;
    RecordingWorkspace workspace;
    FakeApps apps;
    MemorySettings settings;
    MprisServiceDirectory directory{QDBusConnection::sessionBus()};
    std::unique_ptr<MusicController> music;

    Bus()
    {
        auto bridge = std::make_unique<MprisPlayerBridge>(
            MusicSource::spotify, u"org.mpris.MediaPlayer2.spotify"_s, true, directory,
            QDBusConnection::sessionBus(), time, time);
        MprisPlayerBridge *spotify = bridge.get();
        MusicController::Players players;
        players.push_back(std::make_unique<PlayerController>(
            MusicSource::spotify, std::move(bridge), std::make_unique<NoCovers>(), services(),
            [spotify] { return spotify->processID(); }));
        music = std::make_unique<MusicController>(settings, services(), std::move(players));
        music->followOtherPlayers(directory, QDBusConnection::sessionBus());
        music->start();
    }
    PlayerController::Services services() { return {time, time, workspace, &apps}; }
    PlayerController *named(const QString &busName) const
    {
        for (const auto &player : music->players())
            if (music->busName(*player) == busName)
                return player.get();
        return nullptr;
    }
    QString activeTitle() const { return music->active().trackTitle(); }
    // Virtual seconds, one at a time, each followed by the answers it queued.
    void run(int seconds)
    {
        for (int i = 0; i < seconds; ++i) {
            time.advance(1);
            QCoreApplication::processEvents();
        }
    }
};

// A minute of a quiet tone as a WAV file without tags, like a file a
// person plays in mpv.
QString writeTone(const QString &folder)
{
    constexpr int kRate = 8000, kSeconds = 60;
    QByteArray samples;
    for (int i = 0; i < kRate * kSeconds; ++i) {
        const qint16 sample = qint16(1000 * std::sin(i * 0.1));
        samples.append(reinterpret_cast<const char *>(&sample), 2);
    }
    QByteArray wav("RIFF");
    const auto u32 = [&wav](quint32 v) { wav.append(reinterpret_cast<const char *>(&v), 4); };
    const auto u16 = [&wav](quint16 v) { wav.append(reinterpret_cast<const char *>(&v), 2); };
    u32(36 + quint32(samples.size()));
    wav.append("WAVEfmt ");
    u32(16), u16(1), u16(1), u32(kRate), u32(kRate * 2), u16(2), u16(16);
    wav.append("data");
    u32(quint32(samples.size()));
    wav.append(samples);
    const QString path = folder + u"/tone.wav"_s;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size())
        return {};
    return path;
}

} // namespace

class MprisPlayersTest : public QObject
{
    Q_OBJECT

    PrivateSessionBus m_bus;

private slots:
    void initTestCase() { QVERIFY(m_bus.start()); }

    // mpv under VLC's name, Spotify under an instance name: both are found
    // by their names on the bus, whatever the test process is called.
    void playersAreFoundByBusName()
    {
        Bus bus;
        FakeMprisPlayer vlc(kVlc);
        vlc.setRootProperty(u"Identity"_s, u"  VLC media player  "_s);
        vlc.setRootProperty(u"DesktopEntry"_s, u"vlc"_s);
        play(vlc, u"Blue"_s);
        QVERIFY(vlc.start());
        FakeMprisPlayer spotify(u"org.mpris.MediaPlayer2.spotify.instance4242"_s);
        spotify.setPlayerProperty(
            u"Metadata"_s, FakeMprisPlayer::spotifyMetadata(u"6rqhFgbbKwnb9MLmUQDhG6"_s, u"Red"_s,
                                                            {u"A"_s}, u"B"_s, 215'000'000));
        spotify.setPlayerProperty(u"PlaybackStatus"_s, u"Paused"_s);
        QVERIFY(spotify.start());

        QTRY_VERIFY(bus.named(kVlc) && bus.named(kVlc)->trackTitle() == u"Blue"_s);
        PlayerController &player = *bus.named(kVlc);
        QCOMPARE(player.displayName(), u"VLC media player"_s);
        QCOMPARE(bus.music->iconName(player), u"vlc"_s);
        QCOMPARE(player.connectionState(), PlayerConnectionState::ready);
        PlayerController &row = *bus.music->players().front();
        QTRY_COMPARE(row.trackTitle(), u"Red"_s);
        QCOMPARE(row.currentTrack()->spotifyURI(), u"spotify:track:6rqhFgbbKwnb9MLmUQDhG6"_s);
        QCOMPARE(bus.music->runningPlayers(), (QList<PlayerController *>{&row, &player}));
        player.openPlayer(); // a player known by its bus name shows its own window
        QTRY_COMPARE(vlc.calls(u"Raise"_s).size(), 1);

        // Gone from the bus mid-drag: its player goes, the row's drag is
        // cancelled and the row says not running.
        QVERIFY(row.beginScrubbing());
        vlc.vanish();
        spotify.vanish();
        QTRY_VERIFY(!bus.named(kVlc));
        QTRY_COMPARE(row.connectionState(), PlayerConnectionState::notRunning);
        QVERIFY(!row.isScrubbing());
        QCOMPARE(&bus.music->active(), &row);
    }

    // After the first reading a player is told, not asked: a change reaches
    // the controller by signal alone, and a steadily playing player gets no
    // call at all, however long it plays.
    void changesArriveBySignalAndSteadyPlayCostsNoCalls()
    {
        Bus bus;
        FakeMprisPlayer vlc(kVlc);
        play(vlc, u"Blue"_s);
        vlc.setPlayerProperty(u"Position"_s, qlonglong(10'000'000));
        QVERIFY(vlc.start());
        QTRY_VERIFY(bus.named(kVlc) && bus.named(kVlc)->trackTitle() == u"Blue"_s);
        PlayerController &player = *bus.named(kVlc);
        QCOMPARE(vlc.calls(u"GetAll"_s).size(), 2);

        const qsizetype before = vlc.calls(u"Get"_s).size() + vlc.calls(u"GetAll"_s).size();
        bus.run(30);
        QCOMPARE(vlc.calls(u"Get"_s).size() + vlc.calls(u"GetAll"_s).size(), before);
        QCOMPARE(player.elapsed(), 40.0); // extrapolated at rate 1

        vlc.setPlayerProperty(u"Volume"_s, 0.25);
        QTRY_COMPARE(player.volume().level(), 25);
        QCOMPARE(vlc.calls(u"Get"_s).size() + vlc.calls(u"GetAll"_s).size(), before);

        vlc.emitSeeked(150'000'000);
        QTRY_COMPARE(player.elapsed(), 150.0);
        bus.run(2);
        QCOMPARE(player.elapsed(), 152.0);

        // A new status is when the position is read afresh.
        vlc.setPlayerProperty(u"Position"_s, qlonglong(90'000'000));
        vlc.setPlayerProperty(u"PlaybackStatus"_s, u"Paused"_s);
        QTRY_COMPARE(player.elapsed(), 90.0);
        QVERIFY(!player.isPlaying());
    }

    // Seeks go to the song they were meant for, with or without tags.
    void seeksReachThePlayer_data()
    {
        columns<QVariantMap, QString>("metadata", "method");
        row("tagged, with a track id", song(u"Blue"_s), u"SetPosition"_s);
        QVariantMap untagged{{u"xesam:title"_s, u"clip.mkv"_s},
                             {u"mpris:length"_s, qlonglong(200'000'000)}};
        row("a file without tags or id", untagged, u"Seek"_s);
    }

    void seeksReachThePlayer()
    {
        auto [metadata, method] = fetch<QVariantMap, QString>("metadata", "method");
        Bus bus;
        FakeMprisPlayer mpv(kMpv);
        mpv.setPlayerProperty(u"Metadata"_s, metadata);
        mpv.setPlayerProperty(u"PlaybackStatus"_s, u"Paused"_s);
        mpv.setPlayerProperty(u"Position"_s, qlonglong(20'000'000));
        QVERIFY(mpv.start());
        QTRY_VERIFY(bus.named(kMpv) && bus.named(kMpv)->canSeek());
        PlayerController &player = *bus.named(kMpv);
        QVERIFY(!player.artist().contains(u"by"_s));

        player.seek(30);
        QTRY_COMPARE(mpv.calls(method).size(), 1);
        const QVariantList arguments = mpv.calls(method).first().arguments;
        QCOMPARE(arguments.last().toLongLong(), method == u"Seek"_s ? 30'000'000LL : 50'000'000LL);
        QTRY_VERIFY(!player.isControlling());
        QCOMPARE(player.connectionState(), PlayerConnectionState::ready);
    }

    // A real MPRIS implementation nobody here wrote: mpv with its MPRIS
    // plugin, playing a file without tags.
    void realMpvIsFollowedAndControlled()
    {
        const QString mpv = QStandardPaths::findExecutable(u"mpv"_s);
        const QString plugin = u"/usr/lib/mpv-mpris/mpris.so"_s;
        if (mpv.isEmpty() || !QFile::exists(plugin))
            QSKIP("mpv with its MPRIS plugin is not installed (scripts/setup.sh installs it)");
        QTemporaryDir folder;
        const QString tone = writeTone(folder.path());
        QVERIFY(!tone.isEmpty());
        Bus bus;
        QProcess player;
        player.start(mpv, {u"--no-config"_s, u"--ao=null"_s, u"--vo=null"_s, u"--no-terminal"_s,
                           u"--script="_s + plugin, tone});
        QVERIFY(player.waitForStarted());
        const auto cleanup = qScopeGuard([&player] {
            player.kill();
            player.waitForFinished();
        });
        QTRY_VERIFY_WITH_TIMEOUT(bus.named(kMpv) && bus.named(kMpv)->canSeek(), 10'000);
        PlayerController &controller = *bus.named(kMpv);
        QCOMPARE(controller.trackTitle(), u"tone.wav"_s);
        QCOMPARE(controller.artist(), QString());
        QCOMPARE(controller.duration(), 60.0);
        QVERIFY(controller.isPlaying());
        QCOMPARE(bus.music->active().trackTitle(), u"tone.wav"_s);

        controller.seek(30);
        QTRY_VERIFY_WITH_TIMEOUT(controller.elapsed() >= 29, 5'000);
        QTRY_VERIFY(!controller.isControlling());
        controller.control(PlayerCommand::toggle());
        QTRY_VERIFY_WITH_TIMEOUT(!controller.isPlaying(), 5'000);

        player.kill();
        player.waitForFinished();
        QTRY_VERIFY_WITH_TIMEOUT(!bus.named(kMpv), 5'000);
    }

    // Commands are the player's own methods; a player that is gone is not
    // running, whatever was asked of it.
    void commandsReachThePlayer_data()
    {
        columns<PlayerCommand, QString, QVariant>("command", "method", "argument");
        row("play or pause", PlayerCommand::toggle(), u"PlayPause"_s, QVariant());
        row("next", PlayerCommand::next(), u"Next"_s, QVariant());
        row("previous", PlayerCommand::previous(), u"Previous"_s, QVariant());
        row("volume", PlayerCommand::volume(30), u"Set"_s, QVariant(0.3));
        row("volume past the top", PlayerCommand::volume(250), u"Set"_s, QVariant(1.0));
    }

    void commandsReachThePlayer()
    {
        auto [command, method, argument] =
            fetch<PlayerCommand, QString, QVariant>("command", "method", "argument");
        VirtualTime time;
        MprisServiceDirectory directory{QDBusConnection::sessionBus()};
        FakeMprisPlayer player(kVlc);
        play(player, u"Blue"_s);
        QVERIFY(player.start());
        MprisPlayerBridge bridge(MusicSource::mpris, kVlc, false, directory,
                                 QDBusConnection::sessionBus(), time, time);
        QTRY_VERIFY(!bridge.read().title.isEmpty());
        std::optional<PlayerSendResult> result;
        bridge.send(command, 0, [&result](PlayerSendResult r) { result = std::move(r); });
        QTRY_VERIFY(result);
        QVERIFY(result->isSuccess());
        QCOMPARE(player.calls(method).size(), 1);
        if (argument.isValid())
            QCOMPARE(player.playerProperty(u"Volume"_s).toDouble(), argument.toDouble());

        player.vanish();
        QTRY_VERIFY(!bridge.processID());
        result.reset();
        bridge.send(command, 0, [&result](PlayerSendResult r) { result = std::move(r); });
        QTRY_VERIFY(result);
        QCOMPARE(*result->localError(), PlayerError(PlayerError::Kind::notRunning));
        QVERIFY(!bridge.raise());
    }

    // The player that starts playing last is shown; when it pauses, the one
    // still playing comes back; a pick holds until another really starts.
    void theActivePlayerFollowsPlayAndPicks()
    {
        Bus bus;
        FakeMprisPlayer vlc(kVlc), mpv(kMpv);
        play(vlc, u"Blue"_s);
        QVERIFY(vlc.start());
        QTRY_COMPARE(bus.activeTitle(), u"Blue"_s);
        play(mpv, u"Green"_s);
        QVERIFY(mpv.start());
        QTRY_COMPARE(bus.activeTitle(), u"Green"_s);
        mpv.setPlayerProperty(u"PlaybackStatus"_s, u"Paused"_s);
        QTRY_COMPARE(bus.activeTitle(), u"Blue"_s);

        bus.music->pick(*bus.named(kMpv));
        QTRY_COMPARE(bus.activeTitle(), u"Green"_s);
        vlc.setPlayerProperty(u"PlaybackStatus"_s, u"Paused"_s);
        QTRY_VERIFY(!bus.named(kVlc)->isPlaying());
        vlc.setPlayerProperty(u"PlaybackStatus"_s, u"Playing"_s);
        QTRY_COMPARE(bus.activeTitle(), u"Blue"_s);

        // The active player leaves the bus mid-song.
        vlc.vanish();
        QTRY_COMPARE(bus.activeTitle(), u"Green"_s);
    }

    // A browser's own entry is hidden while the browser's YouTube Music row,
    // or the Apple Music row, shows the same song; anything else it plays shows.
    void browserEntryHidesBehindItsConnectedRow_data()
    {
        columns<QString, QString, bool, MusicSource>("busName", "title", "hidden", "row");
        const MusicSource chrome = MusicSource::chrome;
        row("Chromium, same song", u"org.mpris.MediaPlayer2.chromium.instance42"_s, u"Song"_s, true,
            chrome);
        row("Chromium, another video", u"org.mpris.MediaPlayer2.chromium.instance42"_s,
            u"Podcast"_s, false, chrome);
        row("Firefox's entry and Chrome's row", u"org.mpris.MediaPlayer2.firefox.instance_1_9"_s,
            u"Song"_s, false, chrome);
        row("Firefox's entry and the Apple Music row",
            u"org.mpris.MediaPlayer2.firefox.instance_1_9"_s, u"Song"_s, true,
            MusicSource(MusicSource::appleMusic));
        row("not a browser", kVlc, u"Song"_s, false, chrome);
    }

    void browserEntryHidesBehindItsConnectedRow()
    {
        auto [busName, title, hidden, source] =
            fetch<QString, QString, bool, MusicSource>("busName", "title", "hidden", "row");
        VirtualTime time;
        RecordingWorkspace workspace;
        FakeApps apps{7};
        MemorySettings settings;
        MprisServiceDirectory directory{QDBusConnection::sessionBus()};
        auto *chrome = new ScriptedBridge(time);
        chrome->reply = playingSong(u"Song"_s);
        MusicController::Players players;
        players.push_back(std::make_unique<PlayerController>(
            source, std::unique_ptr<PlayerBridging>(chrome), std::make_unique<NoCovers>(),
            PlayerController::Services{time, time, workspace, &apps},
            [] { return std::optional<qint32>(7); }));
        MusicController music(settings, {time, time, workspace, &apps}, std::move(players));
        music.followOtherPlayers(directory, QDBusConnection::sessionBus());
        music.start();
        time.advance(0);

        FakeMprisPlayer entry(busName);
        play(entry, title);
        QVERIFY(entry.start());
        QTRY_COMPARE(music.players().size(), size_t(2));
        PlayerController &own = *music.players().back();
        QTRY_COMPARE(own.trackTitle(), title);
        QTRY_COMPARE(music.runningPlayers().contains(&own), !hidden);
        QTRY_COMPARE(&music.active() == &own, !hidden);
    }

    // A player that never answers its first reading is given its time, then
    // asked again after 1, 2, 4 ... seconds; once it answers, it is followed.
    void silentPlayerIsRetriedWithBackOff()
    {
        VirtualTime time;
        FakeMprisPlayer player(kVlc);
        play(player, u"Blue"_s);
        player.setSilent(true);
        QVERIFY(player.start());
        MprisPlayerLink link(QDBusConnection::sessionBus(), time, time, Seconds(0.1));
        QSignalSpy unreachable(&link, &MprisPlayerLink::unreachable);
        link.attach(player.uniqueName());
        const auto readings = [&player] { return player.calls(u"GetAll"_s).size() / 2; };
        QTRY_COMPARE(unreachable.count(), 1);
        time.advance(0.9);
        QCOMPARE(readings(), 1);
        time.advance(0.1);
        QTRY_COMPARE(unreachable.count(), 2);
        QCOMPARE(readings(), 2);
        time.advance(1.9);
        QCOMPARE(readings(), 2);
        player.setSilent(false);
        time.advance(0.1);
        QTRY_VERIFY(link.isLoaded());
        QCOMPARE(readings(), 3);
    }

    // A player's own addresses, as players really write them, become the
    // track link and the cover the program follows, or nothing.
    void trackAddressesAreReadAsPlayersWriteThem_data()
    {
        const QString id = u"6rqhFgbbKwnb9MLmUQDhG6"_s, image = QString(40, u'a');
        columns<QVariantMap, QString, QString, QString>("metadata", "link", "cover", "file");
        const QString link = u"spotify:track:"_s + id,
                      cover = u"https://i.scdn.co/image/"_s + image;
        row("Spotify's string id and image address",
            QVariantMap{{u"mpris:trackid"_s, u"/com/spotify/track/"_s + id},
                        {u"mpris:artUrl"_s, u"https://open.spotify.com/image/"_s + image}},
            link, cover, QString());
        row("a track link as the id, a thumb address",
            QVariantMap{{u"mpris:trackid"_s, link},
                        {u"mpris:artUrl"_s, u"https://i.scdn.co/thumb/"_s + image}},
            link, cover, QString());
        row("a web address of the track, another host's cover",
            QVariantMap{{u"xesam:url"_s, u"https://open.spotify.com/track/"_s + id},
                        {u"mpris:artUrl"_s, u"http://example.org/c.png"_s}},
            link, u"http://example.org/c.png"_s, QString());
        row("a local cover, no link",
            QVariantMap{{u"mpris:trackid"_s, QVariant::fromValue(QDBusObjectPath(u"/vlc/1"_s))},
                        {u"mpris:artUrl"_s, u"file:///tmp/cover.png"_s}},
            QString(), QString(), u"/tmp/cover.png"_s);
        row("addresses that are no addresses",
            QVariantMap{{u"xesam:url"_s, u"https://open.spotify.com/track/a/b"_s},
                        {u"mpris:artUrl"_s, u"ftp://example.org/c.png"_s}},
            QString(), QString(), QString());
        row("an address past its cap",
            QVariantMap{{u"mpris:artUrl"_s, u"https://example.org/"_s + QString(3000, u'a')}},
            QString(), QString(), QString());
    }

    void trackAddressesAreReadAsPlayersWriteThem()
    {
        auto [metadata, link, cover, file] =
            fetch<QVariantMap, QString, QString, QString>("metadata", "link", "cover", "file");
        const MprisTrackMetadata track(metadata);
        QCOMPARE(track.spotifyURI().value_or(QString()), link);
        QCOMPARE(track.artworkAddress().value_or(QString()), cover);
        QCOMPARE(track.artworkFile().value_or(QString()), file);
    }

    // Another program's values end in defined ones, never a crash.
    void hostileValuesEndInDefinedOnes_data()
    {
        columns<QString, QVariant, double, double>("property", "value", "duration", "elapsed");
        row("length of the wrong type", u"mpris:length"_s, QVariant(u"long"_s), 0.0, 0.0);
        row("negative length", u"mpris:length"_s, QVariant(qlonglong(-5)), 0.0, 0.0);
        row("NaN length", u"mpris:length"_s, QVariant(qQNaN()), 0.0, 0.0);
        row("position past the end", u"Position"_s, QVariant(qlonglong(900'000'000)), 200.0, 200.0);
        // Read as 0, then 5 s of play.
        row("negative position", u"Position"_s, QVariant(qlonglong(-9'000'000)), 200.0, 5.0);
        row("position of the wrong type", u"Position"_s, QVariant(u"x"_s), 200.0, 5.0);
        row("NaN rate", u"Rate"_s, QVariant(qQNaN()), 200.0, 15.0);
        row("absurd rate", u"Rate"_s, QVariant(1e300), 200.0, 15.0);
        row("title of ten million characters", u"xesam:title"_s,
            QVariant(QString(10'000'000, u'x')), 200.0, 15.0);
        row("artists of the wrong type", u"xesam:artist"_s, QVariant(42), 200.0, 15.0);
    }

    void hostileValuesEndInDefinedOnes()
    {
        auto [property, value, duration, elapsed] =
            fetch<QString, QVariant, double, double>("property", "value", "duration", "elapsed");
        VirtualTime time;
        MprisServiceDirectory directory{QDBusConnection::sessionBus()};
        FakeMprisPlayer player(kVlc);
        QVariantMap metadata = song(u"Blue"_s);
        player.setPlayerProperty(u"Position"_s, qlonglong(10'000'000));
        player.setPlayerProperty(u"PlaybackStatus"_s, u"Playing"_s);
        if (property.contains(u':'))
            metadata.insert(property, value);
        else
            player.setPlayerProperty(property, value);
        player.setPlayerProperty(u"Metadata"_s, metadata);
        QVERIFY(player.start());
        MprisPlayerBridge bridge(MusicSource::mpris, kVlc, false, directory,
                                 QDBusConnection::sessionBus(), time, time);
        QTRY_VERIFY(!bridge.read().title.isEmpty());
        time.advance(5);
        const PlayerSnapshot snapshot = bridge.read();
        QCOMPARE(snapshot.timing.duration, duration);
        QCOMPARE(snapshot.timing.elapsed, elapsed);
        QVERIFY(snapshot.title.size() <= MprisTrackMetadata::kMaxTextLength);
    }
};

QTEST_GUILESS_MAIN(MprisPlayersTest)
#include "tst_mpris_players.moc"
