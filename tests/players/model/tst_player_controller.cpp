#include "players/model/PlayerController.h"
#include "players/model/VolumeController.h"
#include "support/PlayerFakes.h"
#include "support/TestImages.h"
#include "support/TestRows.h"

#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <numeric>

namespace {

using namespace Qt::StringLiterals;
using State = PlayerConnectionState;
using Kind = PlayerError::Kind;
constexpr int kOtherFailure = -1;
constexpr int kNoAnswer = -2;

const QUrl kCover(u"https://i.scdn.co/image/ab67616d0000b2731234567890abcdef12345678"_s);

// How many property notifications `objects` send while `during` runs.
int notifications(std::initializer_list<QObject *> objects, const std::function<void()> &during)
{
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (QObject *object : objects) {
        for (int i = 0; i < object->metaObject()->propertyCount(); ++i)
            spies.push_back(std::make_unique<QSignalSpy>(
                object, object->metaObject()->property(i).notifySignal()));
    }
    during();
    return std::accumulate(spies.begin(), spies.end(), 0,
                           [](int n, auto &spy) { return n + spy->count(); });
}

} // namespace

class PlayerControllerTest : public QObject
{
    Q_OBJECT

private slots:
    void idlePlayerCostsOneLookupAndChangesNothing()
    {
        PlayerRig h;
        h.pid.reset();
        const int sent = notifications({&h.c, &h.c.volume()}, [&h] {
            h.c.start();
            h.time.advance(30);
        });
        QCOMPARE(sent, 0);
        QVERIFY(h.bridge->snapshots.empty());
    }

    void loadsInFlightCoalesceIntoOneRequestRememberingPermission()
    {
        PlayerRig h;
        h.bridge->replySeconds = 0.5;
        h.c.load(false);
        h.c.load(true);
        h.c.load(false);
        QCOMPARE(h.bridge->snapshots.size(), size_t(1));
        h.time.advance(0.5);
        QCOMPARE(h.bridge->snapshots, (std::vector{false, true}));
        QCOMPARE(h.c.statusMessage(), std::nullopt); // connected: no "Connecting" again

        PlayerRig fresh;
        fresh.c.load(true);
        QCOMPARE(fresh.c.connectionState(), State::connecting);
        QCOMPARE(fresh.c.statusMessage(), u"Connecting to Spotify…"_s);
    }

    // A player that announces its changes is read when it does, and polled
    // only while it plays (for the position): a paused one costs nothing.
    void announcingPlayerIsReadWhenToldAndPolledOnlyWhilePlaying()
    {
        PlayerRig h;
        h.bridge->announces = true;
        h.bridge->reply = playingSong(u"Old"_s);
        h.c.start();
        h.time.advance(0);
        QCOMPARE(h.c.trackTitle(), u"Old"_s);
        h.time.advance(3);
        QCOMPARE(h.bridge->snapshots.size(), size_t(4)); // the first read, then one a second

        PlayerSnapshot paused = playingSong(u"New"_s);
        paused.isPlaying = false;
        h.bridge->reply = paused;
        h.bridge->onChange();
        h.time.advance(0);
        QCOMPARE(h.c.trackTitle(), u"New"_s);
        const size_t reads = h.bridge->snapshots.size();
        h.time.advance(10);
        QCOMPARE(h.bridge->snapshots.size(), reads);

        h.c.stop();
        QVERIFY(!h.bridge->onChange);
    }

    void failuresEndInTheirStateMessageAndBackOff_data()
    {
        // kind: a Kind, or kOtherFailure, or kNoAnswer; backOff: 0 for none
        columns<int, State, double, QString>("kind", "state", "backOff", "message");
        const QString unavailable =
            u"Playback details are unavailable. Play a song in Spotify and retry."_s;
        const QString slow = u"Spotify is taking a moment to respond. Try again."_s;
        row("permission required", int(Kind::permissionRequired), State::needsPermission, 15.0,
            u"Allow local access to the current song and playback controls."_s);
        row("permission denied", int(Kind::permissionDenied), State::denied, 15.0,
            u"Chrome refused the connection. Check Velloway\u2019s extension, then retry."_s);
        row("browser setup", int(Kind::browserSetup), State::needsPermission, 15.0,
            u"Add Velloway\u2019s extension to Chrome, then connect."_s);
        row("pear setup", int(Kind::pearSetup), State::needsPermission, 15.0,
            u"Enable Pear\u2019s local API Server, then connect and approve Velloway."_s);
        row("not running", int(Kind::notRunning), State::notRunning, 0.0,
            u"Open Spotify to see your current song here."_s);
        row("timeout", int(Kind::timeout), State::unavailable, 2.0, slow);
        row("browser reply", int(Kind::browserReply), State::unavailable, 2.0, u"No tab."_s);
        row("invalid reply", int(Kind::invalidReply), State::unavailable, 2.0, unavailable);
        row("track changed", int(Kind::trackChanged), State::unavailable, 2.0, unavailable);
        row("transport", kOtherFailure, State::unavailable, 2.0, unavailable);
        row("never answers", kNoAnswer, State::unavailable, 2.0, slow);
    }
    void failuresEndInTheirStateMessageAndBackOff()
    {
        auto [kind, backOff] = fetch<int, double>("kind", "backOff");
        const Kind error = Kind(kind);
        PlayerRig h(error == Kind::pearSetup ? MusicSource::pear
                    : error == Kind::permissionDenied || error == Kind::browserSetup
                        ? MusicSource::chrome
                        : MusicSource::spotify);
        h.play();
        if (kind == kNoAnswer)
            h.bridge->replySeconds = ScriptedBridge::kNever;
        else if (kind == kOtherFailure)
            h.bridge->reply = PlayerOtherError{u"the bus went away"_s};
        else if (error == Kind::browserReply)
            h.bridge->reply = PlayerError::browserReply(u"No tab."_s);
        else
            h.bridge->reply = PlayerError(error);
        h.time.advance(kind == kNoAnswer ? 16 : 1); // the poll at 1 s fails
        QTEST(h.c.connectionState(), "state");
        QTEST(*h.c.statusMessage(), "message");
        QCOMPARE(h.c.trackTitle(), u"Nothing playing"_s);
        QVERIFY(!h.c.isAvailable() && !h.c.artworkURL() && !h.c.volume().level());

        // No automatic poll before the back-off ends; the first one after it asks.
        const size_t asked = h.bridge->snapshots.size();
        h.time.advance(std::max(backOff, 1.0) - 0.5);
        QCOMPARE(h.bridge->snapshots.size(), asked);
        h.time.advance(1);
        QCOMPARE(h.bridge->snapshots.size(), asked + 1);
    }

    void absurdTimingEndsInADefinedState_data()
    {
        columns<double, double, double, double, bool>("duration", "elapsed", "shownDuration",
                                                      "shownElapsed", "canSeek");
        const double nan = std::nan("");
        row("negative position", 200.0, -5.0, 200.0, 0.0, true);
        row("position NaN", 200.0, nan, 200.0, 0.0, true);
        row("duration NaN", nan, 5.0, 0.0, 0.0, false);
        row("three days", 259'200.0, 5.0, 259'200.0, 5.0, false);
    }
    void absurdTimingEndsInADefinedState()
    {
        auto [duration, elapsed] = fetch<double, double>("duration", "elapsed");
        PlayerRig h;
        PlayerSnapshot s = playingSong();
        s.timing = {duration, elapsed, 0.5};
        h.play(s);
        QTEST(h.c.duration(), "shownDuration");
        QTEST(h.c.elapsed(), "shownElapsed");
        QTEST(h.c.canSeek(), "canSeek");
        QVERIFY(h.c.progress() >= 0 && h.c.progress() <= 1);
        h.c.seek(INFINITY);
        QVERIFY(h.bridge->sent.empty());
    }

    void scrubSeeksOnlyTheSongItBeganOn()
    {
        PlayerRig h;
        h.play();
        const LyricsTrack track = *h.c.currentTrack();
        auto session = h.c.beginScrubbing();
        QVERIFY(session && !h.c.beginScrubbing());
        h.c.updateScrubbing(1.3, *session);
        h.bridge->reply = playingSong(u"Song"_s, 60);
        h.time.advance(1); // polls leave the dragged position alone
        QCOMPARE(h.c.elapsed(), 200.0);
        h.c.endScrubbing(*session);
        QVERIFY(h.bridge->sent == std::vector{PlayerCommand::seek(200, track)});
        QVERIFY(!h.c.isScrubbing() && h.c.isPlaying()); // nothing changed before a poll

        // A poll that reports another song cancels the drag; its end reloads.
        h.time.advance(1);
        session = h.c.beginScrubbing();
        h.c.updateScrubbing(0.9, *session);
        h.bridge->reply = playingSong(u"Other"_s, 10);
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
        QCOMPARE(h.bridge->sent.back(), PlayerCommand::seek(0, *h.c.currentTrack()));
    }

    void commandsWaitForThePlayerAndReadItAfterwards()
    {
        PlayerRig h;
        h.play();
        h.bridge->sendSeconds = 0.5;
        h.c.control(PlayerCommand::toggle());
        h.c.control(PlayerCommand::next()); // one at a time
        QVERIFY(h.c.isControlling() && !h.c.canSeek());
        h.c.load(true);
        const size_t asked = h.bridge->snapshots.size();
        h.time.advance(0.5);
        QCOMPARE(h.bridge->sent.size(), size_t(1));
        QCOMPARE(h.bridge->snapshots.size(), asked + 2); // read, then the waiting request
        QVERIFY(h.bridge->snapshots.back());

        // A seek that lost its song is dropped silently; a stuck one times out.
        h.bridge->sendReply = PlayerError(Kind::trackChanged);
        h.c.control(PlayerCommand::toggle());
        h.time.advance(0.5);
        QCOMPARE(h.c.connectionState(), State::ready);
        h.bridge->sendSeconds = ScriptedBridge::kNever;
        h.c.control(PlayerCommand::toggle());
        h.time.advance(15);
        QVERIFY(!h.c.isControlling());
        QCOMPARE(h.c.connectionState(), State::unavailable);
    }

    void artworkRetriesOnItsScheduleAndResetsForANewAddress()
    {
        PlayerRig h;
        PlayerSnapshot s = playingSong();
        s.artworkURL = kCover;
        h.play(s);
        h.time.advance(95);
        QCOMPARE(h.covers->requestTimes, (QList<double>{0, 1, 3, 7, 15, 30, 60, 90}));

        h.covers->requestTimes.clear();
        h.covers->bytes = TestImages::encode(300, 300, "png");
        s.artworkURL = QUrl(kCover.toString().replace(u"1234"_s, u"4321"_s));
        h.bridge->reply = s;
        h.time.advance(5);
        QCOMPARE(h.covers->requestTimes, QList<double>{96});
        QCOMPARE(h.c.artwork().width(), 160);

        // Cover bytes from the player itself are decoded only when they change.
        QSignalSpy covers(&h.c, &PlayerController::artworkChanged);
        s.artworkData = TestImages::encode(20, 20, "png");
        h.bridge->reply = s;
        h.time.advance(3);
        QCOMPARE(covers.count(), 1);
        QVERIFY(!h.c.artworkURL() && h.c.artwork().width() == 20);
    }

    // A message that answers the user's "Open" stays while only polls find
    // no player; `then` happens 1 s after the click, the check `at` s after it.
    void actionMessagesStayUntilAnswered_data()
    {
        columns<bool, QString, double, QString>("installed", "then", "at", "shown");
        const QString failed =
            u"Spotify could not be opened. Try opening it from your applications menu."_s;
        row("polls leave it", false, "", 9.9, u"Spotify is not installed."_s);
        row("polls leave a failed launch", true, "", 9.9, failed);
        row("10 s pass", false, "", 10.0, u"Open Spotify to"_s);
        row("10 s pass with nothing polling", true, "quiet", 10.0, u"Open Spotify to"_s);
        row("the player appears", false, "appears", 2.0, u"none"_s);
        row("the user acts again", true, "retry", 1.0, u"Open Spotify to"_s);
    }
    void actionMessagesStayUntilAnswered()
    {
        auto [installed, then, at, shown] =
            fetch<bool, QString, double, QString>("installed", "then", "at", "shown");
        PlayerRig h;
        h.pid.reset();
        h.bridge->announces = then == "quiet";
        h.c.start();
        h.apps.installed = installed;
        h.workspace.opens = false;
        h.c.openPlayer();
        h.time.advance(1);
        h.pid = then == "appears" ? std::optional(100) : std::nullopt;
        if (then == "retry")
            h.c.load(true);
        h.time.advance(at - 1);
        QCOMPARE(h.c.statusMessage().value_or(u"none"_s).left(shown.size()), shown);
    }

    void openingThePlayer()
    {
        PlayerRig h;
        h.c.openPlayer();
        QCOMPARE(h.bridge->snapshots.size(), size_t(1)); // read at once after the launch
        h.apps.installed = false;
        h.c.openPlayer();
        QVERIFY(h.c.statusMessage()->startsWith(u"Spotify is not installed."_s));

        PlayerRig chrome(MusicSource::chrome);
        chrome.c.openCurrentTrack();
        QCOMPARE(chrome.workspace.calls,
                 QStringList{u"url https://music.youtube.com/ in com.google.Chrome"_s});
    }
};

QTEST_GUILESS_MAIN(PlayerControllerTest)
#include "tst_player_controller.moc"
