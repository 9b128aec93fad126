#include "players/model/VolumeController.h"
#include "support/ScriptedBridge.h"

#include <QTest>

#include <cmath>

namespace {

using namespace Qt::StringLiterals;

// A volume controller of a running Spotify that reported `level`, whose
// writes take `writeSeconds`.
struct Harness
{
    VirtualTime time;
    ScriptedBridge bridge{time};
    std::optional<qint32> pid = 100;
    VolumeController v{bridge, [this] { return pid; }, u"Spotify"_s, time};

    explicit Harness(std::optional<int> level = 50, double writeSeconds = 0.5)
    {
        bridge.sendSeconds = writeSeconds;
        v.receive(level, v.revision(), 100);
    }

    QList<int> writes() const
    {
        QList<int> levels;
        for (const PlayerCommand &command : bridge.sent)
            levels << command.level();
        return levels;
    }
};

} // namespace

class VolumeControllerTest : public QObject
{
    Q_OBJECT

private slots:
    void dragDuringAWriteSendsOnlyTheLastValueNext()
    {
        Harness h;
        const auto session = h.v.beginDragging();
        QVERIFY(session && !h.v.beginDragging());
        for (double fraction = 0.2; fraction <= 0.8001; fraction += 0.05)
            h.v.updateDragging(fraction, *session);
        QCOMPARE(h.writes(), QList<int>{20});
        h.time.advance(0.5);
        QCOMPARE(h.writes(), QList<int>{20}); // writes are spaced 0.08 s apart
        h.time.advance(0.08);
        QCOMPARE(h.writes(), (QList<int>{20, 80}));
        h.v.endDragging(*session);
        h.time.advance(2);
        QCOMPARE(h.writes(), (QList<int>{20, 80}));
        QVERIFY(!h.v.isWriting() && !h.v.isDragging());
        QCOMPARE(h.v.level(), 80);
    }

    void setLevelRoundsAndLimits()
    {
        const std::pair<double, QList<int>> cases[] = {
            {49.5, {50}}, {-3, {0}}, {250, {100}}, {40, {}}, {std::nan(""), {}}};
        for (const auto &[value, writes] : cases) {
            Harness h(40);
            h.v.setLevel(value);
            QCOMPARE(h.writes(), writes);
        }
    }

    void pollResultsNeverOverwriteTheUsersValue()
    {
        Harness h;
        const qint64 before = h.v.revision();
        h.v.setLevel(70);
        h.time.advance(1);
        h.v.receive(30, before, 100); // read before the change
        QCOMPARE(h.v.level(), 70);
        h.pid = 200;
        h.v.receive(30, h.v.revision(), 100); // read from the old process
        QCOMPARE(h.v.level(), 70);

        // The restarted player's own report replaces everything.
        h.v.receive(30, h.v.revision(), 200);
        QCOMPARE(h.v.level(), 30);
        QVERIFY(h.v.isAvailable());
    }

    void impossibleLevelsMakeTheVolumeUnknown()
    {
        for (const std::optional<int> level : {std::optional(101), std::optional(-1), {}}) {
            Harness h;
            h.v.receive(level, h.v.revision(), 100);
            QVERIFY(!h.v.level() && !h.v.isAvailable());
            h.v.setLevel(20);
            QVERIFY(h.bridge.sent.empty());
        }
    }

    void failedOrUnansweredWriteRevertsWithItsMessage()
    {
        for (const double seconds : {0.5, ScriptedBridge::kNever}) {
            Harness h(50, seconds);
            h.bridge.sendReply = PlayerError(PlayerError::Kind::timeout);
            const auto session = h.v.beginDragging();
            h.v.updateDragging(0.9, *session);
            h.time.advance(20);
            QCOMPARE(h.v.level(), 50);
            QVERIFY(!h.v.isDragging() && !h.v.isWriting());
            QCOMPARE(h.v.muteHelp(), u"Spotify couldn’t change the volume. Try again."_s);
            h.v.updateDragging(0.1, *session); // the drag is over
            QCOMPARE(h.bridge.sent.size(), size_t(1));
        }
    }

    void muteRestoresTheLastAudibleLevel()
    {
        Harness h(65, 0);
        h.v.toggleMute();
        h.time.advance(1);
        QCOMPARE(h.v.muteHelp(), u"Unmute Spotify \u00B7 65%"_s);
        h.v.toggleMute();
        QCOMPARE(h.writes(), (QList<int>{0, 65}));
    }

    void aRestartedPlayerResetsTheVolume()
    {
        Harness h;
        h.v.setLevel(60);
        h.pid = 200; // restarted while the write is in flight
        h.time.advance(1);
        QVERIFY(!h.v.level() && !h.v.isWriting());
    }
};

QTEST_GUILESS_MAIN(VolumeControllerTest)
#include "tst_volume_controller.moc"
