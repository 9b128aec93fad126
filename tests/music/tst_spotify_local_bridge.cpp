#include "players/mpris/SpotifyLocalBridge.h"
#include "scripting/ScriptTerms.h"
#include "support/AwaitCompletion.h"
#include "support/PlayerFakes.h"
#include "support/ScriptedTransport.h"
#include "support/TestRows.h"
#include "support/VirtualTime.h"

#include <QTest>

using namespace ScriptTerms;
using Kind = PlayerError::Kind;
using Answer = ScriptedTransport::Answer;

Q_DECLARE_METATYPE(ScriptDescriptor)

namespace {

const QString kURI = QStringLiteral("spotify:track:6rqhFgbbKwnb9MLmUQDhG6");
const QString kCoverID = QStringLiteral("AB67616D0000B2730123456789ABCDEF01234567");

ScriptDescriptor app(ScriptCode property)
{
    return ScriptReference::property(property);
}

ScriptDescriptor track(ScriptCode property)
{
    return ScriptReference::property(property, app(kCurrentTrack));
}

ScriptDescriptor cover()
{
    return ScriptReference::property(
        kRawData, ScriptReference::element(kArtworkClass, 1, app(kCurrentTrack)));
}

class Rig : public BridgeCalls<Rig>
{
public:
    explicit Rig(MusicSource source = MusicSource::spotify)
        : bridge(std::make_unique<SpotifyLocalBridge>(
              source, std::unique_ptr<ScriptTransport>(transport), time))
    {
        transport->answerGet(app(kPlayerState), ScriptDescriptor::enumeration(kPlaying));
        transport->answerGet(app(kSoundVolume), ScriptDescriptor::integer(55));
        transport->answerGet(track(kName), ScriptDescriptor::text("Song"));
        transport->answerGet(track(kArtist), ScriptDescriptor::text("Artist"));
        transport->answerGet(track(kAlbum), ScriptDescriptor::text("Album"));
        transport->answerGet(app(kPlayerPosition), ScriptDescriptor::real(43));
        if (source == MusicSource::spotify) {
            transport->answerGet(track(kDuration), ScriptDescriptor::integer(215'000));
            transport->answerGet(track(kSpotifyID), ScriptDescriptor::text(kURI));
            transport->answerGet(track(kArtworkURL),
                                 ScriptDescriptor::text("https://i.scdn.co/image/" + kCoverID));
        } else {
            transport->answerGet(track(kDuration), ScriptDescriptor::real(215.0));
            transport->answerGet(track(kPersistentID), ScriptDescriptor::text("5F3C1A2B"));
            transport->answerGet(cover(), Answer{std::nullopt, ScriptError::kNoSuchObject});
        }
    }

    int coverReads() const
    {
        const auto targets = transport->targets();
        return int(std::count(targets.begin(), targets.end(), cover()));
    }

    VirtualTime time;
    ScriptedTransport *transport = new ScriptedTransport(time);
    std::unique_ptr<SpotifyLocalBridge> bridge;
};

// An answer that takes `seconds` of the bridge's time.
Answer slow(const ScriptDescriptor &value, double seconds)
{
    return Answer{value, ScriptError::kNone, ScriptError::kNone, seconds};
}

// What the rig's player reports, without the reads a bridge may skip when
// `optionalReads` is false.
PlayerSnapshot song(MusicSource source = MusicSource::spotify, bool optionalReads = true)
{
    PlayerSnapshot s = playingSong(QStringLiteral("Song"), 43, 215);
    s.volume = 55;
    if (optionalReads)
        s.album = QStringLiteral("Album");
    if (optionalReads && source == MusicSource::spotify) {
        s.spotifyURI = kURI;
        s.artworkURL = QUrl("https://i.scdn.co/image/" + kCoverID.toLower());
    }
    if (source != MusicSource::spotify)
        s.playbackID = QStringLiteral("5F3C1A2B");
    return s;
}

PlayerSnapshot emptyWithVolume(std::optional<int> volume)
{
    PlayerSnapshot snapshot;
    snapshot.volume = volume;
    return snapshot;
}

} // namespace

class SpotifyLocalBridgeTest : public QObject
{
    Q_OBJECT

private slots:
    void readsAPlayingTrack_data()
    {
        QTest::addColumn<MusicSource>("source");
        row("spotify reports milliseconds", MusicSource(MusicSource::spotify));
        row("apple music reports seconds", MusicSource(MusicSource::appleMusic));
    }

    void readsAPlayingTrack()
    {
        QFETCH(MusicSource, source);
        Rig rig(source);
        QCOMPARE(rig.snapshot(true).value(), song(source));
        QCOMPARE(rig.transport->permissionAsks(), std::vector<bool>{true});
        const auto sent = rig.transport->sent();
        QCOMPARE(sent.size(), size_t(9)); // eight reads and one cover probe or link reads
        for (const auto &event : sent)
            QCOMPARE(event.timeout, ScriptExchange::kMaxEventWait);
    }

    void stoppedAndPausedPlayers()
    {
        Rig rig;
        rig.transport->answerGet(app(kPlayerState), ScriptDescriptor::enumeration(kStopped));
        QCOMPARE(rig.snapshot().value(), emptyWithVolume(55));
        QCOMPARE(rig.transport->sent().size(), size_t(2));

        rig.transport->answerGet(app(kPlayerState), ScriptDescriptor::enumeration(kPaused));
        PlayerSnapshot paused = song();
        paused.isPlaying = false;
        QCOMPARE(rig.snapshot().value(), paused);
    }

    void errorCodesBecomeBridgeErrors_data()
    {
        columns<int, PlayerError>("code", "expected");
        row("consent would be required", -1744, PlayerError(Kind::permissionRequired));
        row("not permitted", -1743, PlayerError(Kind::permissionDenied));
        row("timed out", -1712, PlayerError(Kind::timeout));
        row("connection invalid", -609, PlayerError(Kind::notRunning));
        row("process not found", -600, PlayerError(Kind::notRunning));
        row("other code", -1708, PlayerError::appleEvent(-1708));
        row("no current track, outside the track reads", -1728, PlayerError::appleEvent(-1728));
    }

    void errorCodesBecomeBridgeErrors()
    {
        auto [code, expected] = fetch<int, PlayerError>("code", "expected");
        {
            Rig rig;
            rig.transport->setPermission(code);
            QCOMPARE(errorOf(rig.snapshot()), expected);
            QVERIFY(rig.transport->sent().empty());
            QCOMPARE(errorOf(rig.send(PlayerCommand::next())), expected);
        }
        {
            Rig rig;
            rig.transport->answerGet(app(kPlayerState), Answer{std::nullopt, code});
            QCOMPARE(errorOf(rig.snapshot()), expected);
        }
        {
            Rig rig; // the error number inside an otherwise good reply
            rig.transport->answerGet(
                app(kPlayerState),
                Answer{ScriptDescriptor::enumeration(kPlaying), ScriptError::kNone, code});
            QCOMPARE(errorOf(rig.snapshot()), expected);
            rig.transport->answer(kSpotifySuite, kPlayPause, {},
                                  Answer{{}, ScriptError::kNone, code});
            QCOMPARE(errorOf(rig.send(PlayerCommand::toggle())), expected);
        }
    }

    void noTargetIsAnInvalidReply()
    {
        Rig rig;
        QCOMPARE(errorOf(rig.snapshot(false, 0)), PlayerError(Kind::invalidReply));
        QVERIFY(rig.transport->permissionAsks().empty());
    }

    void trackVanishingMidReadGivesAnEmptySnapshot_data()
    {
        columns<ScriptDescriptor, int, bool>("target", "code", "insideReply");
        row("title, errn -1728", track(kName), -1728, true);
        row("artist, -1721", track(kArtist), -1721, false);
        row("duration, -1728", track(kDuration), -1728, false);
        row("position, errn -1721", app(kPlayerPosition), -1721, true);
    }

    void trackVanishingMidReadGivesAnEmptySnapshot()
    {
        auto [target, code, insideReply] =
            fetch<ScriptDescriptor, int, bool>("target", "code", "insideReply");
        Rig rig;
        rig.transport->answerGet(target, insideReply ? Answer{ScriptDescriptor::text("x"), 0, code}
                                                     : Answer{std::nullopt, code});
        QCOMPARE(rig.snapshot().value(), emptyWithVolume(55));
    }

    void requiredAndOptionalReads()
    {
        Rig rig;
        rig.transport->answerGet(track(kAlbum), Answer{std::nullopt, ScriptError::kTimedOut});
        rig.transport->answerGet(track(kSpotifyID), ScriptDescriptor::text("spotify:album:x"));
        rig.transport->answerGet(track(kArtworkURL),
                                 ScriptDescriptor::text("https://evil.example/image/" + kCoverID));
        QCOMPARE(rig.snapshot().value(), song(MusicSource::spotify, false));

        rig.transport->answerGet(track(kName), ScriptDescriptor::integer(7));
        QCOMPARE(rig.snapshot().value().title, QString()); // a missing string counts as empty

        rig.transport->answerGet(track(kName), Answer{});
        QCOMPARE(errorOf(rig.snapshot()), PlayerError(Kind::invalidReply));

        rig.transport->answerGet(track(kName), ScriptDescriptor::text("Song"));
        rig.transport->answerGet(track(kDuration), ScriptDescriptor::text("long"));
        QCOMPARE(errorOf(rig.snapshot()), PlayerError(Kind::invalidReply));
    }

    void volumeOutsideTheScaleIsNone_data()
    {
        columns<ScriptDescriptor, std::optional<int>>("reply", "volume");
        row("101", ScriptDescriptor::integer(101), std::optional<int>());
        row("-1", ScriptDescriptor::integer(-1), std::optional<int>());
        row("text", ScriptDescriptor::text("50"), std::optional<int>());
        row("100", ScriptDescriptor::integer(100), std::optional<int>(100));
        row("0", ScriptDescriptor::integer(0), std::optional<int>(0));
    }

    void volumeOutsideTheScaleIsNone()
    {
        auto [reply, volume] = fetch<ScriptDescriptor, std::optional<int>>("reply", "volume");
        Rig rig;
        rig.transport->answerGet(app(kSoundVolume), reply);
        QCOMPARE(rig.snapshot().value().volume, volume);
    }

    void budgetRunsOutBetweenSteps()
    {
        {
            Rig rig; // required step with no time left
            rig.transport->answerGet(app(kPlayerState),
                                     slow(ScriptDescriptor::enumeration(kPlaying), 1.5));
            rig.transport->answerGet(app(kSoundVolume), slow(ScriptDescriptor::integer(55), 1.5));
            rig.transport->answerGet(track(kName), slow(ScriptDescriptor::text("Song"), 1.0));
            QCOMPARE(errorOf(rig.snapshot()), PlayerError(Kind::timeout));
            const auto sent = rig.transport->sent();
            QCOMPARE(sent.size(), size_t(3));
            QCOMPARE(sent[2].timeout, Seconds(1.0)); // what was left of the 4 s
        }
        {
            Rig rig; // optional steps are skipped once the budget is spent
            rig.transport->answerGet(app(kPlayerPosition), slow(ScriptDescriptor::real(43), 2.0));
            rig.transport->answerGet(track(kDuration),
                                     slow(ScriptDescriptor::integer(215'000), 2.0));
            QCOMPARE(rig.snapshot().value(), song(MusicSource::spotify, false));
            QCOMPARE(rig.transport->sent().size(), size_t(6));
        }
        {
            Rig rig; // no single read waits more than 2 s
            rig.transport->answerGet(track(kName), slow(ScriptDescriptor::text("Song"), 2.5));
            QCOMPARE(errorOf(rig.snapshot()), PlayerError(Kind::timeout));
            QCOMPARE(rig.time.now(), Seconds(2));
        }
        {
            Rig rig; // the budget starts after the permission check
            rig.transport->setPermission(ScriptError::kNone, 10);
            QVERIFY(rig.snapshot().isSuccess());
        }
        { // a seek's track check shares one budget too
            Rig rig;
            rig.transport->answerGet(track(kDuration),
                                     slow(ScriptDescriptor::integer(215'000), 2.0));
            rig.transport->answerGet(track(kName), slow(ScriptDescriptor::text("Song"), 1.0));
            const LyricsTrack byMetadata("Song", "Artist", "Album", 215);
            QCOMPARE(errorOf(rig.send(PlayerCommand::seek(10, byMetadata))),
                     PlayerError(Kind::timeout));
            QCOMPARE(rig.transport->sent().size(), size_t(2));
        }
    }

    void seekIsGuardedByTheTrack_data()
    {
        columns<MusicSource, LyricsTrack, ScriptDescriptor, ScriptDescriptor, double,
                std::optional<PlayerError>, double>("source", "track", "changedTarget",
                                                    "changedValue", "position", "error", "setTo");
        const MusicSource spotify = MusicSource::spotify;
        const MusicSource music = MusicSource::appleMusic;
        const LyricsTrack byLink("Song", "Artist", "Album", 215, kURI);
        const LyricsTrack byMetadata("Song", "Artist", "Album", 215);
        const LyricsTrack byID("Song", "Artist", "Album", 215, std::nullopt, "5F3C1A2B");
        const std::optional<PlayerError> ok;
        const std::optional<PlayerError> changed = PlayerError(Kind::trackChanged);
        const ScriptDescriptor none;
        const auto invalid = std::optional(PlayerError(Kind::invalidReply));
        using D = ScriptDescriptor;
        row("same link", spotify, byLink, none, none, 100.0, ok, 100.0);
        row("past the end is clamped", spotify, byLink, none, none, 500.0, ok, 215.0);
        row("before the start is clamped", spotify, byLink, none, none, -4.0, ok, 0.0);
        row("other link", spotify, byLink, track(kSpotifyID),
            D::text("spotify:track:0000000000000000000000"), 100.0, changed, 0.0);
        row("link without text", spotify, byLink, track(kSpotifyID), D::integer(3), 100.0, changed,
            0.0);
        row("same metadata", spotify, byMetadata, none, none, 10.0, ok, 10.0);
        row("other title", spotify, byMetadata, track(kName), D::text("Other"), 10.0, changed, 0.0);
        row("other album", spotify, byMetadata, track(kAlbum), D::text(""), 10.0, changed, 0.0);
        row("duration 1 s off", spotify, byMetadata, track(kDuration), D::integer(216'000), 10.0,
            ok, 10.0);
        row("duration 2 s off", spotify, byMetadata, track(kDuration), D::integer(217'000), 10.0,
            changed, 0.0);
        row("same persistent id", music, byID, none, none, 10.0, ok, 10.0);
        row("other persistent id", music, byID, track(kPersistentID), D::text("77"), 10.0, changed,
            0.0);
        row("position not finite", spotify, byLink, none, none, qQNaN(), invalid, 0.0);
        row("no duration", spotify, byLink, track(kDuration), D::integer(0), 10.0, invalid, 0.0);
    }

    void seekIsGuardedByTheTrack()
    {
        auto [source, track, changedTarget, changedValue, position, error, setTo] =
            fetch<MusicSource, LyricsTrack, ScriptDescriptor, ScriptDescriptor, double,
                  std::optional<PlayerError>, double>("source", "track", "changedTarget",
                                                      "changedValue", "position", "error", "setTo");
        Rig rig(source);
        if (!changedTarget.isNull())
            rig.transport->answerGet(changedTarget, changedValue);
        QCOMPARE(errorOf(rig.send(PlayerCommand::seek(position, track))), error);
        QCOMPARE(rig.transport->permissionAsks(), std::vector<bool>{false});
        ScriptEvent set(kCoreSuite, kSetData);
        set.setParameter(kDirectObject, app(kPlayerPosition));
        set.setParameter(kData, ScriptDescriptor::real(setTo));
        std::vector<ScriptEvent> sets;
        for (const auto &sent : rig.transport->sent()) {
            if (sent.event.eventID() == kSetData)
                sets.push_back(sent.event);
        }
        QCOMPARE(sets, error ? std::vector<ScriptEvent>() : std::vector{set});
    }

    void commandsAreSingleEvents_data()
    {
        columns<MusicSource, PlayerCommand, ScriptCode, ScriptCode,
                std::optional<ScriptDescriptor>>("source", "command", "eventClass", "eventID",
                                                 "data");
        const MusicSource spotify = MusicSource::spotify;
        const MusicSource music = MusicSource::appleMusic;
        const std::optional<ScriptDescriptor> none;
        using D = ScriptDescriptor;
        row("volume 101 is 100", spotify, PlayerCommand::volume(101), kCoreSuite, kSetData,
            std::optional(D::integer(100)));
        row("volume -1 is 0", music, PlayerCommand::volume(-1), kCoreSuite, kSetData,
            std::optional(D::integer(0)));
        row("spotify toggle", spotify, PlayerCommand::toggle(), kSpotifySuite, kPlayPause, none);
        row("spotify next", spotify, PlayerCommand::next(), kSpotifySuite, kNextTrack, none);
        row("music previous", music, PlayerCommand::previous(), kMusicSuite, kPreviousTrack, none);
    }

    void commandsAreSingleEvents()
    {
        auto [source, command, eventClass, eventID, data] =
            fetch<MusicSource, PlayerCommand, ScriptCode, ScriptCode,
                  std::optional<ScriptDescriptor>>("source", "command", "eventClass", "eventID",
                                                   "data");
        Rig rig(source);
        QVERIFY(rig.send(command).isSuccess());
        QCOMPARE(rig.transport->permissionAsks(), std::vector<bool>{false});
        const auto sent = rig.transport->sent();
        QCOMPARE(sent.size(), size_t(1));
        QCOMPARE(sent[0].event.eventClass(), eventClass);
        QCOMPARE(sent[0].event.eventID(), eventID);
        QCOMPARE(sent[0].event.parameter(kData), data);
        QCOMPARE(sent[0].timeout, SpotifyLocalBridge::kCommandTimeout);
    }

    void coverIsProbedOncePerTrackAndRetriedAfterFifteenSeconds()
    {
        Rig rig(MusicSource::appleMusic);
        QCOMPARE(rig.snapshot().value().artworkData, std::nullopt);
        QCOMPARE(rig.coverReads(), 1);
        rig.time.advance(14.9);
        rig.snapshot();
        QCOMPARE(rig.coverReads(), 1);
        rig.time.advance(0.1);
        rig.snapshot();
        QCOMPARE(rig.coverReads(), 2);

        rig.transport->answerGet(track(kName), ScriptDescriptor::text("Next song"));
        rig.snapshot();
        QCOMPARE(rig.coverReads(), 3); // a new track probes at once

        const QByteArray bytes(SpotifyLocalBridge::kMaxArtworkBytes, 'c');
        rig.transport->answerGet(cover(), ScriptDescriptor::bytes(bytes));
        rig.transport->answerGet(track(kName), ScriptDescriptor::text("Third song"));
        QCOMPARE(rig.snapshot().value().artworkData, bytes);
        rig.time.advance(60);
        QCOMPARE(rig.snapshot().value().artworkData, bytes);
        QCOMPARE(rig.coverReads(), 4); // cached: read once per track

        // One byte over the cap: no cover, and no second read for the track.
        rig.transport->answerGet(cover(), ScriptDescriptor::bytes(bytes + 'c'));
        rig.transport->answerGet(track(kName), ScriptDescriptor::text("Fourth song"));
        QCOMPARE(rig.snapshot().value().artworkData, std::nullopt);
        rig.time.advance(1);
        rig.snapshot();
        QCOMPARE(rig.coverReads(), 5);
    }

    void completionsNeverRunInsideTheCallNorAfterTheBridgeIsGone()
    {
        Rig rig;
        bool called = false;
        rig.bridge->snapshot(Rig::kPID, false, [&](PlayerSnapshotResult) { called = true; });
        QVERIFY(!called);
        rig.bridge.reset();
        QCoreApplication::processEvents();
        QTest::qWait(0);
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(SpotifyLocalBridgeTest)
#include "tst_spotify_local_bridge.moc"
