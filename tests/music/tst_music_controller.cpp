#include "music/MusicController.h"
#include "players/model/MusicConnectionPresenting.h"
#include "players/model/VolumeController.h"
#include "support/MemorySettings.h"
#include "support/PlayerFakes.h"
#include "support/TestRows.h"

#include <QCoreApplication>
#include <QTest>

namespace {

using namespace Qt::StringLiterals;
const QList<MusicSource> kSources = {MusicSource::spotify, MusicSource::chrome, MusicSource::pear};

struct Prompts : MusicConnectionPresenting
{
    std::optional<MusicConnectionPrompt> shown;
    MusicConnectionChoice choice = MusicConnectionChoice::connect;
    MusicConnectionChoice present(const MusicConnectionPrompt &prompt) override
    {
        shown = prompt;
        return choice;
    }
};

// Spotify, Chrome and Pear, in that order, each with its own running flag
// and scripted bridge.
struct Harness
{
    VirtualTime time;
    RecordingWorkspace workspace;
    FakeApps apps{7};
    MemorySettings defaults;
    Prompts prompts;
    QMap<MusicSource, bool> running;
    QMap<MusicSource, ScriptedBridge *> bridges;
    std::unique_ptr<MusicController> music;

    Harness()
    {
        defaults.setValue(u"music.source"_s, u"chrome"_s);
        MusicController::Players players;
        for (MusicSource source : kSources) {
            running[source] = true;
            bridges[source] = new ScriptedBridge(time);
            players.push_back(std::make_unique<PlayerController>(
                source, std::unique_ptr<PlayerBridging>(bridges[source]),
                std::make_unique<NoCovers>(), services(), [this, source] {
                    return running[source] ? std::optional<qint32>(1) : std::nullopt;
                }));
        }
        music =
            std::make_unique<MusicController>(defaults, services(), std::move(players), &prompts);
        settle();
    }
    PlayerController::Services services() { return {time, time, workspace, &apps}; }
    PlayerController &player(MusicSource source)
    {
        return *music->players()[size_t(kSources.indexOf(source))];
    }
    // "+" plays, "-" pauses, "0" quits; one letter per player (s, c, p).
    void apply(const QString &step)
    {
        const MusicSource source = kSources[u"scp"_s.indexOf(step[0])];
        running[source] = step[1] != u'0';
        PlayerSnapshot s = playingSong();
        s.isPlaying = step[1] == u'+';
        bridges[source]->reply = s;
        player(source).load(false);
    }
    void settle()
    {
        time.advance(0);
        QCoreApplication::processEvents();
    }
    QString active() const { return music->active().source().rawValue(); }
};

} // namespace

class MusicControllerTest : public QObject
{
    Q_OBJECT

private slots:
    void latestStarterIsActive_data()
    {
        // steps: groups separated by spaces reconcile together
        columns<QString, QString>("steps", "active");
        row("first player before anything", "", "spotify");
        row("a later starter takes over", "s+ c+", "chrome");
        row("pausing it gives back to the one still playing", "s+ c+ c-", "spotify");
        row("time counts, not the order", "c+ s+", "spotify");
        row("same turn: later in order wins", "c+s+", "chrome");
        row("pause and resume counts as new", "s+ c+ s- s+", "spotify");
        row("nothing plays: the active one stays", "c+ s+ s- c-", "chrome");
        row("active quits: first loaded one", "s+ s- p+ p- c+ c0", "spotify");
        row("active quits, nothing loaded: it stays", "c+ c0", "chrome");
    }
    void latestStarterIsActive()
    {
        QFETCH(QString, steps);
        Harness h;
        for (const QString &group : steps.split(u' ', Qt::SkipEmptyParts)) {
            for (qsizetype i = 0; i < group.size(); i += 2)
                h.apply(group.mid(i, 2));
            h.settle();
        }
        QTEST(h.active(), "active");
    }

    void noSwitchWhileTheUserInteracts_data()
    {
        QTest::addColumn<bool>("volume");
        row("scrubbing", false);
        row("dragging the volume", true);
    }
    void noSwitchWhileTheUserInteracts()
    {
        QFETCH(bool, volume);
        Harness h;
        h.apply(u"s+"_s);
        h.settle();
        PlayerController &spotify = h.player(MusicSource::spotify);
        auto session = volume ? spotify.volume().beginDragging() : spotify.beginScrubbing();
        QVERIFY(session);
        h.apply(u"c+"_s);
        h.settle();
        QCOMPARE(h.active(), u"spotify"_s);
        if (volume)
            spotify.volume().endDragging(*session);
        else
            spotify.cancelScrubbing(session, false);
        h.settle();
        QCOMPARE(h.active(), u"chrome"_s);
    }

    void browsersListedOnlyWhenInstalled_data()
    {
        columns<bool, QStringList>("installed", "sources");
        row("installed", true,
            QStringList{"spotify", "appleMusic", "safari", "chrome", "brave", "edge", "pear"});
        row("none installed", false, QStringList{"spotify", "appleMusic", "pear"});
    }
    void browsersListedOnlyWhenInstalled()
    {
        QFETCH(bool, installed);
        Harness h;
        QVERIFY(!h.defaults.value(u"music.source"_s).isValid());
        h.apps.installed = installed;
        QStringList names;
        for (MusicSource source : h.music->availableSources())
            names << source.rawValue();
        QTEST(names, "sources");
    }

    void connectionDialogFollowsThePlayer_data()
    {
        columns<bool, QString, bool, QString>("running", "connectButton", "enabled", "tail");
        row("connected", true, "Refresh", true,
            "Connected. Velloway follows playback automatically.");
        row("not running", false, "Connect", false,
            "Open YouTube Music \u00B7 Chrome to see your current song here.");
    }
    void connectionDialogFollowsThePlayer()
    {
        QFETCH(bool, running);
        Harness h;
        h.apply(running ? u"c+"_s : u"c0"_s);
        h.settle();
        h.apps.pid = running ? std::optional<qint32>(7) : std::nullopt;
        h.music->showConnectionSetup(MusicSource::chrome);
        QVERIFY(h.prompts.shown);
        QCOMPARE(h.prompts.shown->title, u"Connect Chrome"_s);
        QCOMPARE(h.prompts.shown->openButton, u"Open Chrome"_s);
        QTEST(h.prompts.shown->connectButton, "connectButton");
        QTEST(h.prompts.shown->isConnectEnabled, "enabled");
        QFETCH(QString, tail);
        QCOMPARE(h.prompts.shown->informativeText,
                 MusicSource(MusicSource::chrome).setup() + u"\n\n"_s + tail);
        // Connect is the one refresh that may ask the user.
        QCOMPARE(h.bridges[MusicSource::chrome]->snapshots,
                 (running ? std::vector{false, true} : std::vector<bool>()));
    }

    void presentationRefreshSparesPlayersWaitingForTheUser()
    {
        Harness h;
        h.apply(u"s+"_s);
        h.bridges[MusicSource::chrome]->reply = PlayerError(PlayerError::Kind::browserSetup);
        h.player(MusicSource::chrome).load(false);
        h.settle();
        h.music->refreshForPresentation();
        QCOMPARE(h.bridges[MusicSource::spotify]->snapshots.size(), size_t(2));
        QCOMPARE(h.bridges[MusicSource::chrome]->snapshots.size(), size_t(1));
    }
};

QTEST_GUILESS_MAIN(MusicControllerTest)
#include "tst_music_controller.moc"
