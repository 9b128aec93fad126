#include "players/browser/BrowserMusicBridge.h"
#include "support/AwaitCompletion.h"
#include "support/MemorySettings.h"
#include "support/ScriptedBrowserChannel.h"
#include "support/TestRows.h"
#include "support/VirtualTime.h"

#include <QTest>

using Kind = PlayerError::Kind;
using Failure = BrowserPlayerChannel::Error;

namespace {

const QString kMusic = QStringLiteral("https://music.youtube.com/watch?v=");

QString page(const QString &title, bool paused, const QString &id)
{
    return QStringLiteral(R"({"title":"%1","isPaused":%2,"videoId":"%3","songDuration":200})")
        .arg(title, paused ? "true" : "false", id);
}

class Rig : public BridgeCalls<Rig>
{
public:
    Rig() { settings.setValue(BrowserMusicBridge::consentKey(MusicSource::chrome), true); }

    // Windows with the given tab addresses, numbered from 1.
    void windows(const QList<QStringList> &tabsPerWindow) { channel->tabs = tabsPerWindow; }

    // The page in window `w` at tab `index` (from 0) replies `reply`.
    void pageIn(qint32 w, qint32 index, const QString &reply,
                ScriptedBrowserChannel::Answer answer = {})
    {
        channel->pages[{w, index}] = {QJsonDocument::fromJson(reply.toUtf8()).object(), answer};
    }

    // The requests sent since the last call.
    QStringList traffic() { return std::exchange(channel->log, {}); }

    VirtualTime time;
    MemorySettings settings;
    ScriptedBrowserChannel *channel = new ScriptedBrowserChannel(time);
    std::unique_ptr<BrowserMusicBridge> bridge = std::make_unique<BrowserMusicBridge>(
        MusicSource::chrome, std::unique_ptr<BrowserPlayerChannel>(channel), time, settings);
};

} // namespace

class BrowserMusicBridgeTest : public QObject
{
    Q_OBJECT

private slots:
    void findsAndCachesThePlayingTab()
    {
        Rig rig;
        rig.settings.remove(BrowserMusicBridge::consentKey(MusicSource::chrome));
        QCOMPARE(rig.snapshot().localError()->kind(), Kind::permissionRequired);
        QVERIFY(rig.traffic().empty()); // never asked before the user connects

        rig.windows({{"", kMusic + "a"}, {kMusic + "b"}});
        rig.pageIn(1, 1, page("Paused", true, "aaaaaaaaaaa"));
        rig.pageIn(2, 0, page("Playing", false, "bbbbbbbbbbb"));
        QCOMPARE(rig.snapshot(true).value().title, QStringLiteral("Playing"));
        QVERIFY(rig.settings.value(BrowserMusicBridge::consentKey(MusicSource::chrome)).toBool());

        // Known playing tab: its address, then the program, nothing else.
        rig.traffic();
        QVERIFY(rig.snapshot().value().isPlaying);
        QCOMPARE(rig.traffic(), QStringList({"address 2:0", R"(run 2:0 {"name":"read"})"}));

        // A new browser process forgets the tab and scans at once.
        QVERIFY(rig.snapshot(false, Rig::kPID + 1).value().isPlaying);
        QCOMPARE(rig.traffic().front(), "list");
    }

    // The Apple Music row reads music.apple.com in every browser whose
    // extension is connected, after its own consent, and sends commands to
    // the tab it read, naming its song.
    void appleMusicFollowsConnectedBrowsers()
    {
        Rig rig;
        rig.channel = new ScriptedBrowserChannel(rig.time);
        rig.bridge = std::make_unique<BrowserMusicBridge>(
            MusicSource::appleMusic, std::unique_ptr<BrowserPlayerChannel>(rig.channel), rig.time,
            rig.settings);
        QCOMPARE(errorOf(rig.snapshot()), PlayerError(Kind::permissionRequired));
        QCOMPARE(errorOf(rig.snapshot(true)), PlayerError(Kind::browserSetup)); // none connected
        rig.channel->browsers = {Rig::kPID + 1};
        rig.windows({{kMusic + "a", "https://music.apple.com/us/album/1"}});
        rig.pageIn(1, 1, R"({"title":"Apple","isPaused":false,"songId":"17"})");
        QCOMPARE(rig.snapshot().value().title, QStringLiteral("Apple"));
        QVERIFY(rig.send(PlayerCommand::next()).isSuccess());
        QCOMPARE(rig.traffic().last(), R"(run 1:1 {"expected":"17","name":"next"})");
    }

    void pausedTabsAndTheScanThrottle()
    {
        Rig rig;
        // A paused tab without a title is never a candidate.
        rig.windows({{kMusic + "a"}});
        rig.pageIn(1, 0, page("", true, "aaaaaaaaaaa"));
        QCOMPARE(rig.snapshot().value(), PlayerSnapshot());

        rig.windows({{kMusic + "a", kMusic + "b"}});
        rig.pageIn(1, 1, page("Held", true, "bbbbbbbbbbb"));
        rig.time.advance(3);
        const auto held = rig.snapshot();
        QCOMPARE(held.value().title, QStringLiteral("Held"));
        QVERIFY(!held.value().isPlaying);

        // The cached paused tab stays the candidate, even without a title, and
        // no scan runs for 3 seconds.
        rig.pageIn(1, 1, page("", true, "bbbbbbbbbbb"));
        rig.traffic();
        QCOMPARE(rig.snapshot().value().playbackID, QStringLiteral("bbbbbbbbbbb"));
        QCOMPARE(rig.traffic().size(), 2);
        rig.time.advance(3);
        rig.snapshot();
        QCOMPARE(rig.traffic().at(2), "list");
    }

    void scanFailures_data()
    {
        // listingError: -1 for none; error: none when the paused song is read
        using Error = std::optional<PlayerError>;
        columns<int, QString, Error>("listingError", "pausedTitle", "error");
        row("time runs out before the next window", -1, QString(), Error(Kind::timeout));
        row("time runs out after a paused song", -1, QString("Held"), Error());
        row("extension not connected", int(Failure::notConnected), QString(),
            Error(Kind::browserSetup));
        row("listing failed", int(Failure::failed), QString(),
            Error(PlayerError::browserReply("Browser window access failed (-10000).")));
        row("listing malformed", int(Failure::malformed), QString(), Error(Kind::invalidReply));
    }

    void scanFailures()
    {
        auto [listingError, pausedTitle, error] =
            fetch<int, QString, std::optional<PlayerError>>("listingError", "pausedTitle", "error");
        Rig rig;
        // The first window's two paused tabs use up the budget before the playing one.
        rig.windows({{kMusic + "a", kMusic + "b"}, {kMusic + "c"}});
        rig.pageIn(1, 0, page(pausedTitle, true, "aaaaaaaaaaa"), {{}, 2});
        rig.pageIn(1, 1, page("", true, "bbbbbbbbbbb"), {{}, 2});
        rig.pageIn(2, 0, page("Playing", false, "ccccccccccc"));
        if (listingError >= 0)
            rig.channel->listing = {Failure(listingError), 0};
        const auto result = rig.snapshot();
        QCOMPARE(errorOf(result), error);
        QVERIFY(error || result.value().title == "Held");
    }

    void pageFailures_data()
    {
        // error: -1 when the page answers
        columns<int, QString, double, PlayerError>("error", "reply", "seconds", "expected");
        const auto says = &PlayerError::browserReply;
        row("extension gone", int(Failure::notConnected), QString(), 0.0,
            PlayerError(Kind::browserSetup));
        row("tab closed", int(Failure::noTab), QString(), 0.0,
            says("Chrome rejected the playback request (-1728). "
                 "Check Velloway\u2019s extension in Chrome."));
        row("no result", int(Failure::malformed), QString(), 0.0,
            says("The browser returned no playback result."));
        row("fields of the wrong type", -1, QString(R"({"title":[],"volume":"x"})"), 0.0,
            says("The YouTube Music tab returned incomplete playback details."));
        row("never answers", -1, page("T", false, "aaaaaaaaaaa"), 60.0, PlayerError(Kind::timeout));
        row("browser quit", int(Failure::notRunning), QString(), 0.0,
            PlayerError(Kind::notRunning));
    }

    void pageFailures()
    {
        auto [error, reply, seconds, expected] =
            fetch<int, QString, double, PlayerError>("error", "reply", "seconds", "expected");
        Rig rig;
        rig.windows({{kMusic + "a"}});
        rig.pageIn(1, 0, reply,
                   {error < 0 ? std::nullopt : std::optional(Failure(error)), seconds});
        const Seconds start = rig.time.now();
        QCOMPARE(errorOf(rig.snapshot()), expected);
        QVERIFY(rig.time.now() - start <= BrowserMusicBridge::kSnapshotBudget);
    }

    void commandsGoOnlyToTheCachedSong()
    {
        Rig rig;
        QCOMPARE(rig.send(PlayerCommand::next()).localError()->kind(), Kind::trackChanged);
        rig.windows({{kMusic + "a"}});
        rig.pageIn(1, 0, page("Song", false, "aaaaaaaaaaa"));
        QVERIFY(rig.snapshot().isSuccess());
        rig.traffic();

        QVERIFY(rig.send(PlayerCommand::next()).isSuccess());
        QCOMPARE(rig.traffic().back(), R"(run 1:0 {"expected":"aaaaaaaaaaa","name":"next"})");

        // The song changed in the page: the page refuses, the bridge says so.
        rig.pageIn(1, 0, QStringLiteral(R"({"error":"trackChanged"})"));
        QCOMPARE(rig.send(PlayerCommand::toggle()).localError()->kind(), Kind::trackChanged);

        // The tab left YouTube Music: nothing is run in it.
        rig.windows({{"https://example.org/"}});
        rig.traffic();
        QCOMPARE(rig.send(PlayerCommand::toggle()).localError()->kind(), Kind::trackChanged);
        QCOMPARE(rig.traffic(), QStringList{"address 1:0"});
    }
};

QTEST_GUILESS_MAIN(BrowserMusicBridgeTest)
#include "tst_youtube_browser_bridge.moc"
