#include "lyrics/LyricsController.h"
#include "support/PlayerFakes.h"
#include "support/TestRows.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

using Status = LyricsController::Status;

const LyricsTrack kFirst(QStringLiteral("First"), QStringLiteral("Artist"), {}, 11);
const LyricsTrack kSecond(QStringLiteral("Second"), QStringLiteral("Artist"), {}, 200);

struct Harness
{
    VirtualTime time;
    TimedLyrics loader{time, 0.5, false};
    LyricsController c{loader, &time, &time};
};

} // namespace

class LyricsControllerTest : public QObject
{
    Q_OBJECT

private slots:
    void hiddenLyricsAreNeverLookedUp()
    {
        Harness h;
        QList<bool> told;
        h.c.visibilityChanged = [&told](bool visible) { told << visible; };
        h.c.setVisible(false);
        h.c.updateTrack(kFirst);
        h.time.advance(5);
        QVERIFY(h.loader.lookups.isEmpty());
        QCOMPARE(h.c.status(), Status::idle);

        h.c.setVisible(true);
        h.c.setVisible(true);
        h.time.advance(1);
        QCOMPARE(h.loader.lookups, QList<QString>{kFirst.title()});
        QCOMPARE(h.c.status(), Status::ready);
        QCOMPARE(told, QList<bool>{true});

        // A song without an artist has nothing to be looked up by.
        h.c.updateTrack(LyricsTrack(QStringLiteral("clip.mkv"), QString(), {}, 60));
        h.time.advance(1);
        QCOMPARE(h.loader.lookups.size(), 1);
        QCOMPARE(h.c.status(), Status::noArtist);
    }

    void statusFollowsTheLookup_data()
    {
        // failure: a LyricsFailure::Kind, or -1 for a document
        columns<int, Status>("failure", "status");
        row("found", -1, Status::ready);
        row("not found", int(LyricsFailure::Kind::notFound), Status::notFound);
        row("429", int(LyricsFailure::Kind::rateLimited), Status::rateLimited);
        row("loader gave up", int(LyricsFailure::Kind::cancelled), Status::failed);
    }
    void statusFollowsTheLookup()
    {
        QFETCH(int, failure);
        Harness h;
        if (failure >= 0)
            h.loader.result = LyricsFailure{LyricsFailure::Kind(failure), {}};
        h.c.updateTrack(kFirst);
        h.c.setVisible(true);
        QCOMPARE(h.c.status(), Status::loading);
        h.time.advance(1);
        QTEST(h.c.status(), "status");
        QCOMPARE(h.c.document().has_value(), failure < 0);
    }

    void onlyTheLatestLookupLands()
    {
        Harness h;
        h.c.setVisible(true);
        h.c.updateTrack(kFirst);
        h.time.advance(0.1);
        h.c.updateTrack(kSecond); // cancels the first lookup before it starts
        h.time.advance(0.5);      // the lookup runs
        QCOMPARE(h.loader.lookups, QList<QString>{kSecond.title()});
        QSignalSpy changes(&h.c, &LyricsController::statusChanged);
        h.c.setVisible(false);
        h.time.advance(5);
        QCOMPARE(changes.count(), 0);
        QVERIFY(!h.c.document());
    }

    void positionExtrapolatesAtMostTwoSeconds_data()
    {
        // later: seconds after the sample
        columns<double, bool, double, double>("sample", "playing", "later", "position");
        row("playing", 8.0, true, 1.5, 9.5);
        row("stalled player", 5.0, true, 5.0, 7.0);
        row("paused", 8.0, false, 5.0, 8.0);
        row("end of the song", 10.0, true, 5.0, 11.0);
        row("earlier date", 8.0, true, -3.0, 8.0);
        row("sample NaN", std::nan(""), false, 0.0, 0.0);
        row("date NaN", 8.0, true, std::nan(""), 8.0);
    }
    void positionExtrapolatesAtMostTwoSeconds()
    {
        auto [sample, playing, later] = fetch<double, bool, double>("sample", "playing", "later");
        Harness h;
        h.c.updateTrack(kFirst);
        h.c.updatePlayback(sample, playing, Seconds(100));
        QTEST(h.c.position(Seconds(100 + later)), "position");
    }
};

QTEST_GUILESS_MAIN(LyricsControllerTest)
#include "tst_lyricscontroller.moc"
