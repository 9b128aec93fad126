#include "lyrics/LyricsController.h"
#include "lyrics/LyricsProviding.h"
#include "support/VirtualTime.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

const LyricsTrack kFirst(QStringLiteral("First"), QStringLiteral("Artist"), {}, 11);
const LyricsTrack kSecond(QStringLiteral("Second"), QStringLiteral("Artist"), {}, 200);

// Answers every lookup with `result` after `seconds` of virtual time, even
// one that was cancelled (a transfer may finish before it notices).
struct Lyrics : LyricsProviding
{
    VirtualTime &time;
    LyricsResult result = LyricsDocument();
    double seconds = 0.5;
    QList<QString> lookups;
    std::vector<CancelHandle> running;
    explicit Lyrics(VirtualTime &t) : time(t) {}
    CancelHandle lyrics(const LyricsTrack &track, QObject *, Completion completion) override
    {
        lookups << track.title();
        running.push_back(time.after(Seconds(seconds), [completion, r = result] { completion(r); }));
        return CancelHandle([] {});
    }
};

struct Harness
{
    VirtualTime time;
    Lyrics loader{time};
    LyricsController c{loader, &time, &time};
};

} // namespace

Q_DECLARE_METATYPE(LyricsResult)

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
        QCOMPARE(h.c.status(), LyricsController::Status::idle);

        h.c.setVisible(true);
        h.c.setVisible(true);
        h.time.advance(1);
        QCOMPARE(h.loader.lookups, QList<QString>{kFirst.title()});
        QCOMPARE(h.c.status(), LyricsController::Status::ready);
        QCOMPARE(told, QList<bool>{true});
    }

    void trackChangesInQuickSuccessionMakeOneLookup()
    {
        Harness h;
        h.c.setVisible(true);
        h.c.updateTrack(kFirst);
        h.time.advance(0.1);
        h.c.updateTrack(kSecond);
        h.time.advance(0.24);
        QVERIFY(h.loader.lookups.isEmpty());
        h.time.advance(1);
        QCOMPARE(h.loader.lookups, QList<QString>{kSecond.title()});
    }

    void statusFollowsTheLookup_data()
    {
        QTest::addColumn<LyricsResult>("result");
        QTest::addColumn<LyricsController::Status>("status");
        using Kind = LyricsFailure::Kind;
        QTest::newRow("found") << LyricsResult(LyricsDocument()) << LyricsController::Status::ready;
        QTest::newRow("not found") << LyricsResult(LyricsFailure{Kind::notFound, {}})
                                   << LyricsController::Status::notFound;
        QTest::newRow("429") << LyricsResult(LyricsFailure{Kind::rateLimited, {}})
                             << LyricsController::Status::rateLimited;
        QTest::newRow("transport") << LyricsResult(LyricsFailure{Kind::transport, {}})
                                   << LyricsController::Status::failed;
        QTest::newRow("loader gave up") << LyricsResult(LyricsFailure{Kind::cancelled, {}})
                                        << LyricsController::Status::failed;
    }
    void statusFollowsTheLookup()
    {
        QFETCH(LyricsResult, result);
        Harness h;
        h.loader.result = result;
        h.c.updateTrack(kFirst);
        h.c.setVisible(true);
        QCOMPARE(h.c.status(), LyricsController::Status::loading);
        h.time.advance(1);
        QTEST(h.c.status(), "status");
        QCOMPARE(h.c.document().has_value(), std::holds_alternative<LyricsDocument>(result));
    }

    void aResultAfterHidingIsDropped()
    {
        Harness h;
        h.c.updateTrack(kFirst);
        h.c.setVisible(true);
        h.time.advance(0.5); // the lookup runs
        QSignalSpy changes(&h.c, &LyricsController::statusChanged);
        h.c.setVisible(false);
        h.time.advance(5);
        QCOMPARE(changes.count(), 0);
        QVERIFY(!h.c.document());
    }

    void positionExtrapolatesAtMostTwoSeconds_data()
    {
        QTest::addColumn<double>("sample");
        QTest::addColumn<bool>("playing");
        QTest::addColumn<double>("later"); // seconds after the sample
        QTest::addColumn<bool>("track");
        QTest::addColumn<double>("position");
        QTest::newRow("playing") << 8.0 << true << 1.5 << true << 9.5;
        QTest::newRow("stalled player") << 5.0 << true << 5.0 << true << 7.0;
        QTest::newRow("paused") << 8.0 << false << 5.0 << true << 8.0;
        QTest::newRow("end of the song") << 10.0 << true << 5.0 << true << 11.0;
        QTest::newRow("no track") << 10.0 << true << 5.0 << false << 0.0;
        QTest::newRow("earlier date") << 8.0 << true << -3.0 << true << 8.0;
        QTest::newRow("negative sample") << -3.0 << false << 0.0 << true << 0.0;
        QTest::newRow("sample NaN") << std::nan("") << false << 0.0 << true << 0.0;
        QTest::newRow("date NaN") << 8.0 << true << std::nan("") << true << 8.0;
    }
    void positionExtrapolatesAtMostTwoSeconds()
    {
        QFETCH(double, sample);
        QFETCH(bool, playing);
        QFETCH(double, later);
        QFETCH(bool, track);
        Harness h;
        if (track)
            h.c.updateTrack(kFirst);
        h.c.updatePlayback(sample, playing, Seconds(100));
        QTEST(h.c.position(Seconds(100 + later)), "position");
    }
};

QTEST_GUILESS_MAIN(LyricsControllerTest)
#include "tst_lyricscontroller.moc"
