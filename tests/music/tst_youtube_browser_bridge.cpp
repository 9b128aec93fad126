#include "players/browser/YouTubeBrowserBridge.h"
#include "scripting/ScriptTerms.h"
#include "support/AwaitCompletion.h"
#include "support/MemorySettings.h"
#include "support/ScriptedTransport.h"
#include "support/TestRows.h"
#include "support/VirtualTime.h"

#include <QTest>

using namespace ScriptTerms;
using Kind = PlayerError::Kind;
using Answer = ScriptedTransport::Answer;

namespace {

const QString kMusic = QStringLiteral("https://music.youtube.com/watch?v=");

ScriptDescriptor window(qint32 id)
{
    return ScriptReference::element(kWindowClass, id);
}

ScriptDescriptor tab(qint32 w, qint32 index)
{
    return ScriptReference::element(kChromiumTabClass, index, window(w));
}

ScriptDescriptor address(const ScriptDescriptor &tabs)
{
    return ScriptReference::property(kChromiumTabAddress, tabs);
}

QString page(const QString &title, bool paused, const QString &id)
{
    return QStringLiteral(R"({"title":"%1","isPaused":%2,"videoId":"%3","songDuration":200})")
        .arg(title, paused ? "true" : "false", id);
}

class Rig : public BridgeCalls<Rig>
{
public:
    Rig() { settings.setValue(YouTubeBrowserBridge::consentKey(MusicSource::chrome), true); }

    // Windows with the given tab addresses, numbered from 1.
    void windows(const std::vector<QStringList> &tabsPerWindow)
    {
        std::vector<ScriptDescriptor> list;
        for (size_t w = 0; w < tabsPerWindow.size(); ++w) {
            const qint32 id = qint32(w + 1);
            list.push_back(window(id));
            std::vector<ScriptDescriptor> addresses;
            for (qsizetype t = 0; t < tabsPerWindow[w].size(); ++t) {
                addresses.push_back(ScriptDescriptor::text(tabsPerWindow[w][t]));
                transport->answerGet(address(tab(id, qint32(t + 1))),
                                     ScriptDescriptor::text(tabsPerWindow[w][t]));
            }
            transport->answerGet(address(tab(id, 0)), ScriptDescriptor::list(addresses));
        }
        transport->answerGet(window(0), ScriptDescriptor::list(list));
    }

    // The page in `where` replies `reply`, failing or slow as `answer` says.
    void pageIn(const ScriptDescriptor &where, const QString &reply, Answer answer = {})
    {
        answer.value = ScriptDescriptor::text(reply);
        transport->answer(kChromiumSuite, kChromiumExecute, where, answer);
    }

    // The targets of the events sent since the last call.
    std::vector<ScriptDescriptor> traffic()
    {
        const auto targets = transport->targets();
        transport->clearLog();
        return targets;
    }

    VirtualTime time;
    MemorySettings settings;
    ScriptedTransport *transport = new ScriptedTransport(time);
    std::unique_ptr<YouTubeBrowserBridge> bridge = std::make_unique<YouTubeBrowserBridge>(
        MusicSource::chrome, std::unique_ptr<ScriptTransport>(transport), time, settings);
};

} // namespace

class YouTubeBrowserBridgeTest : public QObject
{
    Q_OBJECT

private slots:
    void findsAndCachesThePlayingTab()
    {
        Rig rig;
        rig.settings.remove(YouTubeBrowserBridge::consentKey(MusicSource::chrome));
        QCOMPARE(rig.snapshot().localError()->kind(), Kind::permissionRequired);
        QVERIFY(rig.traffic().empty()); // never scripted before the user connects

        rig.windows({{"", kMusic + "a"}, {kMusic + "b"}});
        rig.pageIn(tab(1, 2), page("Paused", true, "aaaaaaaaaaa"));
        rig.pageIn(tab(2, 1), page("Playing", false, "bbbbbbbbbbb"));
        QCOMPARE(rig.snapshot(true).value().title, QStringLiteral("Playing"));
        QVERIFY(rig.settings.value(YouTubeBrowserBridge::consentKey(MusicSource::chrome)).toBool());

        // Known playing tab: its address, then the program, nothing else.
        rig.traffic();
        QVERIFY(rig.snapshot().value().isPlaying);
        QCOMPARE(rig.traffic(), (std::vector{address(tab(2, 1)), tab(2, 1)}));

        // A new browser process forgets the tab and scans at once.
        QVERIFY(rig.snapshot(false, Rig::kPID + 1).value().isPlaying);
        QCOMPARE(rig.traffic().front(), window(0));
    }

    void pausedTabsAndTheScanThrottle()
    {
        Rig rig;
        // A paused tab without a title is never a candidate.
        rig.windows({{kMusic + "a"}});
        rig.pageIn(tab(1, 1), page("", true, "aaaaaaaaaaa"));
        QCOMPARE(rig.snapshot().value(), PlayerSnapshot());

        rig.windows({{kMusic + "a", kMusic + "b"}});
        rig.pageIn(tab(1, 2), page("Held", true, "bbbbbbbbbbb"));
        rig.time.advance(3);
        const auto held = rig.snapshot();
        QCOMPARE(held.value().title, QStringLiteral("Held"));
        QVERIFY(!held.value().isPlaying);

        // The cached paused tab stays the candidate, even without a title, and
        // no scan runs for 3 seconds.
        rig.pageIn(tab(1, 2), page("", true, "bbbbbbbbbbb"));
        rig.traffic();
        QCOMPARE(rig.snapshot().value().playbackID, QStringLiteral("bbbbbbbbbbb"));
        QCOMPARE(rig.traffic().size(), size_t(2));
        rig.time.advance(3);
        rig.snapshot();
        QCOMPARE(rig.traffic().at(2), window(0));
    }

    void scanFailures_data()
    {
        // error: none when the paused song elsewhere is read
        using Error = std::optional<PlayerError>;
        columns<int, bool, Error>("listingError", "pausedElsewhere", "error");
        row("a window's tabs fail, nothing else", 0, false, Error(Kind::notRunning));
        row("a window's tabs fail, a paused song elsewhere", 0, true, Error());
        row("extension not connected", 12, false, Error(Kind::browserSetup));
        row("listing refused", -1719, false,
            Error(PlayerError::browserReply("Browser window access failed (-1719).")));
    }

    void scanFailures()
    {
        auto [listingError, pausedElsewhere, error] = fetch<int, bool, std::optional<PlayerError>>(
            "listingError", "pausedElsewhere", "error");
        Rig rig;
        rig.windows({{kMusic + "a"}, {pausedElsewhere ? kMusic + "b" : QString()}});
        rig.transport->answerGet(address(tab(1, 0)),
                                 Answer{std::nullopt, ScriptError::kProcessNotFound});
        rig.pageIn(tab(2, 1), page("Held", true, "bbbbbbbbbbb"));
        if (listingError)
            rig.transport->answerGet(window(0), Answer{std::nullopt, listingError});
        const auto result = rig.snapshot();
        QCOMPARE(errorOf(result), error);
        QVERIFY(error || result.value().title == "Held");
    }

    void pageFailures_data()
    {
        columns<int, QString, double, PlayerError>("error", "reply", "seconds", "expected");
        const auto says = &PlayerError::browserReply;
        row("extension gone", 12, QString(), 0.0, PlayerError(Kind::browserSetup));
        row("other refusal", -1708, QString(), 0.0,
            says("Chrome rejected the playback request (-1708). "
                 "Check Velloway\u2019s extension in Chrome."));
        row("10 MB result", 0, QString(10'000'000, u'x'), 0.0,
            says("The browser returned no playback result."));
        row("fields of the wrong type", 0, QString(R"({"title":[],"volume":"x"})"), 0.0,
            says("The YouTube Music tab returned incomplete playback details."));
        row("never answers", 0, page("T", false, "aaaaaaaaaaa"), 60.0, PlayerError(Kind::timeout));
        row("browser quit", -600, QString(), 0.0, PlayerError(Kind::notRunning));
    }

    void pageFailures()
    {
        auto [error, reply, seconds, expected] =
            fetch<int, QString, double, PlayerError>("error", "reply", "seconds", "expected");
        Rig rig;
        rig.windows({{kMusic + "a"}});
        rig.pageIn(tab(1, 1), reply, Answer{{}, error, 0, seconds});
        const Seconds start = rig.time.now();
        QCOMPARE(errorOf(rig.snapshot()), expected);
        QVERIFY(rig.time.now() - start <= YouTubeBrowserBridge::kSnapshotBudget);
    }

    void commandsGoOnlyToTheCachedSong()
    {
        Rig rig;
        QCOMPARE(rig.send(PlayerCommand::next()).localError()->kind(), Kind::trackChanged);
        rig.windows({{kMusic + "a"}});
        rig.pageIn(tab(1, 1), page("Song", false, "aaaaaaaaaaa"));
        QVERIFY(rig.snapshot().isSuccess());
        rig.traffic();

        QVERIFY(rig.send(PlayerCommand::next()).isSuccess());
        const auto script = rig.transport->sent().back().event.parameter(kChromiumScriptText);
        QVERIFY(script.value().stringValue().value().endsWith(
            QStringLiteral(R"({"expected":"aaaaaaaaaaa","kind":"next"}))")));

        // The song changed in the page: the page refuses, the bridge says so.
        rig.pageIn(tab(1, 1), QStringLiteral(R"({"error":"trackChanged"})"));
        QCOMPARE(rig.send(PlayerCommand::toggle()).localError()->kind(), Kind::trackChanged);

        // The tab left YouTube Music: nothing is run in it.
        rig.windows({{"https://example.org/"}});
        rig.traffic();
        QCOMPARE(rig.send(PlayerCommand::toggle()).localError()->kind(), Kind::trackChanged);
        QCOMPARE(rig.traffic(), std::vector{address(tab(1, 1))});
    }
};

QTEST_GUILESS_MAIN(YouTubeBrowserBridgeTest)
#include "tst_youtube_browser_bridge.moc"
