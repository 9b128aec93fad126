#include "music/SpotifyArtworkProviding.h"
#include "music/SpotifyController.h"
#include "music/SpotifySeekPolicy.h"
#include "music/SpotifyVolumeController.h"
#include "platform/apps/ApplicationLookup.h"
#include "platform/dbus/PlayerNotificationCenter.h"
#include "support/RecordingWorkspace.h"
#include "support/ScriptedBridge.h"
#include "support/TestImages.h"

#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

using State = SpotifyConnectionState;
using Kind = SpotifyLocalError::Kind;

const QUrl kCover(QStringLiteral("https://i.scdn.co/image/ab67616d0000b2731234567890abcdef12345678"));

SpotifySnapshot song(const QString &title = QStringLiteral("Song"), double elapsed = 50,
                     double duration = 200)
{
    SpotifySnapshot s;
    s.title = title;
    s.artist = QStringLiteral("Artist");
    s.isPlaying = true;
    s.timing = {duration, elapsed, elapsed / duration};
    s.volume = 40;
    return s;
}

struct Apps : ApplicationLookup
{
    bool installed = true;
    std::optional<qint32> processID(const ApplicationIdentity &) override { return std::nullopt; }
    bool isInstalled(const ApplicationIdentity &) override { return installed; }
};

struct Broadcasts : PlayerNotificationCenter
{
    std::function<void()> callback;
    CancelHandle observe(const QString &, std::function<void()> c) override
    {
        callback = std::move(c);
        return CancelHandle([this] { callback = nullptr; });
    }
};

// Covers that fail (or, once `bytes` is set, arrive) at once, on virtual time.
struct Covers : SpotifyArtworkProviding
{
    VirtualTime &time;
    QByteArray bytes;
    QList<double> requestTimes;
    explicit Covers(VirtualTime &t) : time(t) {}
    CancelHandle data(const QUrl &, Completion completion) override
    {
        requestTimes << time.now().count();
        SpotifyArtworkResult result{bytes, {}, {}, {}};
        if (bytes.isEmpty())
            result.error = SpotifyArtworkError::badServerResponse;
        return time.after(Seconds(0), [completion, result] { completion(result); });
    }
};

struct Harness
{
    VirtualTime time;
    RecordingWorkspace workspace;
    Apps apps;
    Broadcasts broadcasts;
    std::optional<qint32> pid = 100;
    ScriptedBridge *bridge = new ScriptedBridge(time);
    Covers *covers = new Covers(time);
    SpotifyController c;

    explicit Harness(MusicSource source = MusicSource::spotify)
        : c(source, std::unique_ptr<SpotifyBridging>(bridge),
            std::unique_ptr<SpotifyArtworkProviding>(covers),
            {time, time, workspace, &broadcasts, &apps}, [this] { return pid; })
    {}

    // Starts polling with `snapshot` playing and lets the first poll land.
    void play(const SpotifySnapshot &snapshot = song())
    {
        bridge->reply = snapshot;
        c.start();
        time.advance(0);
        QCOMPARE(c.connectionState(), State::ready);
    }
};

// One spy per published property of `object`.
std::vector<std::unique_ptr<QSignalSpy>> spyAll(QObject *object)
{
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    const QMetaObject *meta = object->metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        spies.push_back(std::make_unique<QSignalSpy>(object, meta->property(i).notifySignal()));
    return spies;
}

int total(const std::vector<std::unique_ptr<QSignalSpy>> &spies)
{
    int n = 0;
    for (const auto &spy : spies)
        n += spy->count();
    return n;
}

} // namespace

class SpotifyControllerTest : public QObject
{
    Q_OBJECT

private slots:
    void idlePlayerCostsOneLookupAndChangesNothing()
    {
        Harness h;
        h.pid.reset();
        const auto spies = spyAll(&h.c);
        const auto volumeSpies = spyAll(&h.c.volume());
        h.c.start();
        h.time.advance(30);
        QCOMPARE(total(spies) + total(volumeSpies), 0);
        QVERIFY(h.bridge->snapshots.empty());
        QCOMPARE(h.c.statusMessage(), QStringLiteral("Open Spotify to see your current song here."));

        // Quitting while playing clears the song at the next poll.
        h.bridge->reply = song();
        h.pid = 100;
        h.time.advance(1);
        QCOMPARE(h.c.trackTitle(), QStringLiteral("Song"));
        h.pid.reset();
        h.time.advance(1);
        QCOMPARE(h.c.trackTitle(), QStringLiteral("Nothing playing"));
        QCOMPARE(h.c.artist(), QStringLiteral("Spotify"));
        QVERIFY(!h.c.isAvailable() && !h.c.currentTrack() && h.c.elapsed() == 0);
        QCOMPARE(h.c.connectionState(), State::notRunning);
    }

    void loadsInFlightCoalesceIntoOneRequestRememberingPermission()
    {
        Harness h;
        h.bridge->replySeconds = 0.5;
        h.c.load(false);
        h.c.load(true);
        h.c.load(false);
        QCOMPARE(h.bridge->snapshots.size(), size_t(1));
        QCOMPARE(h.c.connectionState(), State::notRunning);
        h.time.advance(0.5);
        QCOMPARE(h.bridge->snapshots.size(), size_t(2));
        QVERIFY(h.bridge->snapshots[1].requestPermission);
        QCOMPARE(h.c.statusMessage(), std::nullopt); // connected: no "Connecting" again
        h.time.advance(5);
        QCOMPARE(h.bridge->snapshots.size(), size_t(2));

        Harness fresh;
        fresh.c.load(true);
        QCOMPARE(fresh.c.connectionState(), State::connecting);
        QCOMPARE(fresh.c.statusMessage(), QStringLiteral("Connecting to Spotify…"));
    }

    void changeBroadcastDiscardsThePollInFlightAndSettles()
    {
        Harness h;
        h.bridge->replySeconds = 0.5;
        h.bridge->reply = song(QStringLiteral("Old"));
        QSignalSpy titles(&h.c, &SpotifyController::trackTitleChanged);
        h.c.start();
        h.time.advance(0.1);
        h.bridge->reply = song(QStringLiteral("New"));
        h.broadcasts.callback();
        QCoreApplication::processEvents(); // the observer hands the broadcast over queued
        h.time.advance(0.9); // the poll in flight lands at 0.5, its successor at 1.0
        QCOMPARE(titles.count(), 1);
        QCOMPARE(h.c.trackTitle(), QStringLiteral("New"));

        // After a refusal broadcasts do not poll again before 15 s.
        h.bridge->replySeconds = 0;
        h.bridge->reply = SpotifyLocalError(Kind::permissionDenied);
        h.time.advance(1);
        const size_t asked = h.bridge->snapshots.size();
        h.broadcasts.callback();
        QCoreApplication::processEvents();
        h.time.advance(14.5);
        QCOMPARE(h.bridge->snapshots.size(), asked);
    }

    void failuresEndInTheirStateMessageAndBackOff_data()
    {
        QTest::addColumn<MusicSource>("source");
        QTest::addColumn<SpotifyLocalError>("error");
        QTest::addColumn<int>("reply"); // 0: the error, 1: another failure, 2: never
        QTest::addColumn<State>("state");
        QTest::addColumn<QString>("message");
        QTest::addColumn<double>("backOff"); // 0: none

        const MusicSource spotify = MusicSource::spotify;
        const MusicSource chrome = MusicSource::chrome;
        const QString unavailable = QStringLiteral(
            "Playback details are unavailable. Play a song in Spotify and retry.");
        const QString slow = QStringLiteral("Spotify is taking a moment to respond. Try again.");
        auto row = [](const char *name, MusicSource source, SpotifyLocalError error, State state,
                      const QString &message, double backOff, int reply = 0) {
            QTest::newRow(name) << source << error << reply << state << message << backOff;
        };
        row("permission required", spotify, SpotifyLocalError(Kind::permissionRequired),
            State::needsPermission,
            QStringLiteral("Allow local access to the current song and playback controls."), 15);
        row("permission denied", chrome, SpotifyLocalError(Kind::permissionDenied), State::denied,
            QStringLiteral("Chrome refused the connection. Check Velloway\u2019s extension, then "
                           "retry."),
            15);
        row("browser setup", chrome, SpotifyLocalError(Kind::browserSetup),
            State::needsPermission,
            QStringLiteral("Add Velloway\u2019s extension to Chrome, then connect."), 15);
        row("pear setup", MusicSource::pear, SpotifyLocalError(Kind::pearSetup),
            State::needsPermission,
            QStringLiteral("Enable Pear\u2019s local API Server, then connect and approve "
                           "Velloway."),
            15);
        row("not running", spotify, SpotifyLocalError(Kind::notRunning), State::notRunning,
            QStringLiteral("Open Spotify to see your current song here."), 0);
        row("timeout", spotify, SpotifyLocalError(Kind::timeout), State::unavailable, slow, 2);
        row("browser reply", chrome, SpotifyLocalError::browserReply(QStringLiteral("No tab.")),
            State::unavailable, QStringLiteral("No tab."), 2);
        row("scripting code", spotify, SpotifyLocalError::appleEvent(-1708), State::unavailable,
            unavailable, 2);
        row("invalid reply", spotify, SpotifyLocalError(Kind::invalidReply), State::unavailable,
            unavailable, 2);
        row("track changed", spotify, SpotifyLocalError(Kind::trackChanged), State::unavailable,
            unavailable, 2);
        row("transport", spotify, {}, State::unavailable, unavailable, 2, 1);
        row("never answers", spotify, {}, State::unavailable, slow, 2, 2);
    }
    void failuresEndInTheirStateMessageAndBackOff()
    {
        QFETCH(MusicSource, source);
        QFETCH(SpotifyLocalError, error);
        QFETCH(int, reply);
        QFETCH(State, state);
        QFETCH(QString, message);
        QFETCH(double, backOff);
        Harness h(source);
        h.play();
        if (reply == 0)
            h.bridge->reply = error;
        else if (reply == 1)
            h.bridge->reply = SpotifyOtherError{QStringLiteral("the bus went away")};
        else
            h.bridge->replySeconds = ScriptedBridge::kNever;
        h.time.advance(1); // the poll that fails
        h.time.advance(reply == 2 ? 15 : 0);
        QCOMPARE(h.c.connectionState(), state);
        QCOMPARE(h.c.statusMessage(), message);
        QCOMPARE(h.c.trackTitle(), QStringLiteral("Nothing playing"));
        QVERIFY(!h.c.isAvailable() && h.c.artworkURL() == std::nullopt);
        QVERIFY(!h.c.volume().level());

        // No automatic poll before the back-off ends; the first one after it asks.
        const size_t asked = h.bridge->snapshots.size();
        h.time.advance(std::max(backOff, 1.0) - 0.5);
        QCOMPARE(h.bridge->snapshots.size(), asked);
        h.time.advance(1);
        QCOMPARE(h.bridge->snapshots.size(), asked + 1);
    }

    void absurdTimingEndsInADefinedState_data()
    {
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<double>("shownDuration");
        QTest::addColumn<double>("shownElapsed");
        QTest::addColumn<bool>("canSeek");
        const double nan = std::nan("");
        const double inf = INFINITY;
        QTest::newRow("negative position") << 200.0 << -5.0 << 200.0 << 0.0 << true;
        QTest::newRow("position NaN") << 200.0 << nan << 200.0 << 0.0 << true;
        QTest::newRow("past the end") << 200.0 << 900.0 << 200.0 << 200.0 << true;
        QTest::newRow("duration NaN") << nan << 5.0 << 0.0 << 0.0 << false;
        QTest::newRow("duration infinite") << inf << 5.0 << 0.0 << 0.0 << false;
        QTest::newRow("negative duration") << -3.0 << 5.0 << 0.0 << 0.0 << false;
        QTest::newRow("three days") << 259'200.0 << 5.0 << 259'200.0 << 5.0 << false;
    }
    void absurdTimingEndsInADefinedState()
    {
        QFETCH(double, duration);
        QFETCH(double, elapsed);
        Harness h;
        SpotifySnapshot s = song();
        s.timing = {duration, elapsed, 0.5};
        h.play(s);
        QTEST(h.c.duration(), "shownDuration");
        QTEST(h.c.elapsed(), "shownElapsed");
        QTEST(h.c.canSeek(), "canSeek");
        QVERIFY(h.c.progress() >= 0 && h.c.progress() <= 1);
        const auto session = h.c.beginScrubbing();
        h.c.updateScrubbing(std::nan(""), session.value_or(QUuid()));
        h.c.seek(INFINITY);
        QVERIFY(h.bridge->sent.empty());
    }

    void scrubSeeksOnlyTheSongItBeganOn()
    {
        Harness h;
        h.play();
        const LyricsTrack track = *h.c.currentTrack();
        auto session = h.c.beginScrubbing();
        QVERIFY(session && !h.c.beginScrubbing());
        h.c.updateScrubbing(1.3, *session);
        h.bridge->reply = song(QStringLiteral("Song"), 60);
        h.time.advance(1); // polls leave the dragged position alone
        QCOMPARE(h.c.elapsed(), 200.0);
        h.c.endScrubbing(*session);
        QVERIFY(h.bridge->sent == std::vector{SpotifyCommand::seek(200, track)});
        QVERIFY(!h.c.isScrubbing() && h.c.isPlaying()); // nothing changed before a poll

        // A poll that reports another song cancels the drag; its end reloads.
        h.time.advance(1);
        session = h.c.beginScrubbing();
        h.c.updateScrubbing(0.9, *session);
        h.bridge->reply = song(QStringLiteral("Other"), 10);
        h.time.advance(1);
        QVERIFY(!h.c.isScrubbing());
        QCOMPARE(h.c.elapsed(), 10.0);
        h.c.endScrubbing(*session);

        // A player that quits mid-drag ends it at the next poll.
        session = h.c.beginScrubbing();
        h.c.updateScrubbing(0.5, *session);
        h.pid.reset();
        h.time.advance(1);
        QVERIFY(!h.c.isScrubbing());
        h.c.endScrubbing(*session);

        // A relative seek goes through the same protocol and stays in the song.
        h.pid = 100;
        h.time.advance(1);
        h.c.seek(-30);
        QCOMPARE(h.bridge->sent.size(), size_t(2));
        QCOMPARE(h.bridge->sent.back().position(), 0.0);
        QCOMPARE(h.bridge->sent.back().track()->title(), QStringLiteral("Other"));
    }

    void commandsWaitForThePlayerAndReadItAfterwards()
    {
        Harness h;
        h.play();
        h.bridge->sendSeconds = 0.5;
        h.c.control(SpotifyCommand::toggle());
        h.c.control(SpotifyCommand::next()); // one at a time
        QVERIFY(h.c.isControlling() && !h.c.canSeek());
        h.c.load(true);
        const size_t asked = h.bridge->snapshots.size();
        h.time.advance(0.5);
        QCOMPARE(h.bridge->sent.size(), size_t(1));
        QCOMPARE(h.bridge->snapshots.size(), asked + 2); // read, then the waiting request
        QVERIFY(h.bridge->snapshots.back().requestPermission);

        // A seek that lost its song is dropped silently; a stuck one times out.
        h.bridge->sendReply = SpotifyLocalError(Kind::trackChanged);
        h.c.control(SpotifyCommand::toggle());
        h.time.advance(0.5);
        QCOMPARE(h.c.connectionState(), State::ready);
        h.bridge->sendSeconds = ScriptedBridge::kNever;
        h.c.control(SpotifyCommand::toggle());
        h.time.advance(15);
        QVERIFY(!h.c.isControlling());
        QCOMPARE(h.c.connectionState(), State::unavailable);
    }

    void artworkRetriesOnItsScheduleAndResetsForANewAddress()
    {
        Harness h;
        SpotifySnapshot s = song();
        s.artworkURL = kCover;
        h.play(s);
        h.time.advance(95);
        QCOMPARE(h.covers->requestTimes, (QList<double>{0, 1, 3, 7, 15, 30, 60, 90}));

        h.covers->requestTimes.clear();
        h.covers->bytes = TestImages::encode(300, 300, "png");
        s.artworkURL = QUrl(kCover.toString().replace(QStringLiteral("1234"), QStringLiteral("4321")));
        h.bridge->reply = s;
        h.time.advance(5);
        QCOMPARE(h.covers->requestTimes, QList<double>{96});
        QCOMPARE(h.c.artwork().width(), 160);

        // Cover bytes from the player itself are decoded only when they change.
        QSignalSpy covers(&h.c, &SpotifyController::artworkChanged);
        s.artworkData = TestImages::encode(20, 20, "png");
        h.bridge->reply = s;
        h.time.advance(3);
        QCOMPARE(covers.count(), 1);
        QVERIFY(!h.c.artworkURL() && h.c.artwork().width() == 20);
    }

    void openingThePlayer()
    {
        Harness h;
        h.c.openSpotify();
        QCOMPARE(h.workspace.calls, QStringList{QStringLiteral("application com.spotify.client")});
        QCOMPARE(h.bridge->snapshots.size(), size_t(1)); // read at once after the launch
        h.workspace.opens = false;
        h.c.openSpotify();
        QCOMPARE(h.c.statusMessage(),
                 QStringLiteral("Spotify could not be opened. Try opening it from Applications."));
        h.apps.installed = false;
        h.c.openSpotify();
        QCOMPARE(h.c.connectionState(), State::unavailable);
        QVERIFY(h.c.statusMessage()->startsWith(QStringLiteral("Spotify is not installed.")));

        Harness chrome(MusicSource::chrome);
        chrome.c.openCurrentTrack();
        QCOMPARE(chrome.workspace.calls,
                 QStringList{QStringLiteral("url https://music.youtube.com/ in com.google.Chrome")});
    }

    void seekPolicyPosition_data()
    {
        QTest::addColumn<double>("fraction");
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("position"); // -1: none
        QTest::newRow("half") << 0.5 << 200.0 << 100.0;
        QTest::newRow("before the start") << -0.2 << 200.0 << 0.0;
        QTest::newRow("past the end") << 1.3 << 200.0 << 200.0;
        QTest::newRow("infinite duration") << 0.5 << double(INFINITY) << -1.0;
        QTest::newRow("fraction NaN") << std::nan("") << 200.0 << -1.0;
    }
    void seekPolicyPosition()
    {
        QFETCH(double, fraction);
        QFETCH(double, duration);
        QTEST(SpotifySeekPolicy::position(fraction, duration).value_or(-1), "position");
    }
};

QTEST_GUILESS_MAIN(SpotifyControllerTest)
#include "tst_spotify_controller.moc"
