#include "core/SystemClock.h"
#include "music/YouTubeBrowserBridge.h"
#include "music/YouTubePlayback.h"
#include "platform/browser/BrowserHostAddress.h"
#include "platform/browser/BrowserHostInstaller.h"
#include "platform/browser/BrowserScriptTransport.h"
#include "scripting/ScriptTerms.h"
#include "support/AwaitCompletion.h"
#include "support/MemorySettings.h"
#include "support/TestHttpsServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

using namespace ScriptTerms;
using Kind = SpotifyLocalError::Kind;

// The Velloway extension and native host in a real headless Chromium, against
// a local HTTPS page shaped like the YouTube Music player.
class BrowserEndToEndTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TestHttpsServer> m_page;
    std::unique_ptr<BrowserHostServer> m_server;
    QProcess m_browser;
    MemorySettings m_settings;
    std::unique_ptr<YouTubeBrowserBridge> m_bridge;
    std::unique_ptr<BrowserScriptTransport> m_direct; // the test's own hand on the page

    qint32 pid() const { return qint32(m_browser.processId()); }

    SpotifySnapshotResult poll()
    {
        return awaitCompletion<SpotifySnapshotResult>(
            [&](auto done) { m_bridge->snapshot(pid(), false, done); });
    }

    // The snapshot of one poll; an empty one (and a warning) when it failed.
    SpotifySnapshot current()
    {
        const auto result = poll();
        if (result.localError())
            qWarning("poll failed: kind %d %s", int(result.localError()->kind()),
                     qPrintable(result.localError()->message()));
        return result.isSuccess() ? result.value() : SpotifySnapshot();
    }

    SpotifySendResult command(const SpotifyCommand &command)
    {
        return awaitCompletion<SpotifySendResult>(
            [&](auto done) { m_bridge->send(command, pid(), done); });
    }

    // Polls until `ready` holds for a snapshot (the page acts on its own time).
    SpotifySnapshot pollUntil(const std::function<bool(const SpotifySnapshot &)> &ready)
    {
        std::optional<SpotifySnapshot> last;
        [[maybe_unused]] const bool ready_ = QTest::qWaitFor(
            [&] {
                const auto result = poll();
                if (result.isSuccess())
                    last = result.value();
                return last && ready(*last);
            },
            15'000);
        return last.value_or(SpotifySnapshot());
    }

    // The first tab (window id, 1-based index) whose address satisfies `wanted`.
    std::pair<qint32, qint32> tabWhere(const std::function<bool(const QString &)> &wanted)
    {
        ScriptEvent list(kCoreSuite, kGetData);
        list.setParameter(kDirectObject, ScriptReference::element(kWindowClass, 0));
        const auto windows = m_direct->send(list, pid(), Seconds(5));
        const auto all = windows.reply.parameter(kDirectObject).value_or(ScriptDescriptor());
        if (windows.error != ScriptError::kNone)
            qWarning("listing failed: %d", windows.error);
        for (const auto &window : all.items()) {
            ScriptEvent addresses(kCoreSuite, kGetData);
            addresses.setParameter(
                kDirectObject,
                ScriptReference::property(kChromiumTabAddress,
                                          ScriptReference::element(kChromiumTabClass, 0, window)));
            const auto tabs = m_direct->send(addresses, pid(), Seconds(5));
            const auto listed = tabs.reply.parameter(kDirectObject).value_or(ScriptDescriptor());
            const auto &items = listed.items();
            for (size_t i = 0; i < items.size(); ++i) {
                if (wanted(items[i].stringValue().value_or(QString())))
                    return {ScriptReference::steps(window)->at(0).index, qint32(i + 1)};
            }
        }
        return {0, 0};
    }

    // Runs the playback program in a tab directly, as the bridge would.
    ScriptResult runInTab(qint32 window, qint32 index, const QString &actionJSON)
    {
        ScriptEvent event(kChromiumSuite, kChromiumExecute);
        event.setParameter(kDirectObject, ScriptReference::element(
                                              kChromiumTabClass, index,
                                              ScriptReference::element(kWindowClass, window)));
        event.setParameter(kChromiumScriptText,
                           ScriptDescriptor::text(YouTubePlayback::program() +
                                                  QStringLiteral(")(") + actionJSON + u')'));
        return m_direct->send(event, pid(), Seconds(5));
    }

private slots:
    void initTestCase()
    {
        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (chromium.isEmpty())
            QFAIL("Chromium is not installed (Debian package chromium; scripts/setup.sh installs "
                  "it): the browser end-to-end test cannot run");
        QVERIFY(m_dir.isValid());
        const QString runtime = m_dir.filePath(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // The browser, and so its host, inherit the runtime folder.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        const auto socket = BrowserHostAddress::socketPath(true);
        QVERIFY(socket);
        m_server = std::make_unique<BrowserHostServer>(*socket);
        QVERIFY(m_server->isListening());

        QFile page(qEnvironmentVariable("VELLOWAY_SOURCE_DIR") +
                   QStringLiteral("/tests/support/youtube_music_page.html"));
        QVERIFY(page.open(QIODevice::ReadOnly));
        m_page = std::make_unique<TestHttpsServer>(page.readAll(), m_dir.path());
        QVERIFY2(m_page->isListening(), qPrintable(m_page->error()));

        const QString profile = m_dir.filePath(QStringLiteral("profile"));
        QVERIFY(QDir().mkpath(profile + QStringLiteral("/NativeMessagingHosts")));
        QFile manifest(profile + QStringLiteral("/NativeMessagingHosts/") +
                       QLatin1String(BrowserHostAddress::kHostName) + QStringLiteral(".json"));
        QVERIFY(manifest.open(QIODevice::WriteOnly));
        manifest.write(BrowserHostInstaller::hostManifest(QStringLiteral(VELLOWAY_BROWSER_HOST)));
        manifest.close();

        const QString port = QString::number(m_page->port());
        // The other origin's tab comes first, so a scan passes over it; it
        // opens the player's tab (headless Chromium takes one address).
        m_browser.setProgram(chromium);
        m_browser.setArguments({
            QStringLiteral("--headless=new"),
            QStringLiteral("--no-sandbox"),
            QStringLiteral("--disable-gpu"),
            QStringLiteral("--user-data-dir=") + profile,
            QStringLiteral("--load-extension=") + QStringLiteral(VELLOWAY_EXTENSION_DIR),
            QStringLiteral("--no-first-run"),
            QStringLiteral("--disable-background-networking"),
            QStringLiteral("--disable-component-update"),
            QStringLiteral("--disable-sync"),
            QStringLiteral("--autoplay-policy=no-user-gesture-required"),
            QStringLiteral("--host-resolver-rules=MAP music.youtube.com 127.0.0.1:") + port +
                QStringLiteral(", MAP other.example 127.0.0.1:") + port +
                QStringLiteral(", MAP * ~NOTFOUND"),
            QStringLiteral("--ignore-certificate-errors"),
            QStringLiteral("--disable-popup-blocking"),
            QStringLiteral("https://other.example/"),
        });
        // The browser never outlives a test that stops early.
        m_browser.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_browser.start();
        if (!m_browser.waitForStarted(10'000))
            QFAIL(qPrintable(QStringLiteral("Chromium could not be started: ") +
                             m_browser.errorString()));
        if (!QTest::qWaitFor(
                [&] {
                    return m_server->isConnected(pid()) ||
                           m_browser.state() == QProcess::NotRunning;
                },
                30'000) ||
            !m_server->isConnected(pid()))
            QFAIL("Chromium started, but the extension's native host never connected");

        m_direct = std::make_unique<BrowserScriptTransport>(*m_server, YouTubePlayback::program());
        m_bridge = std::make_unique<YouTubeBrowserBridge>(
            MusicSource::chrome,
            std::make_unique<BrowserScriptTransport>(*m_server, YouTubePlayback::program()),
            SystemClock::shared(), m_settings);
        const auto connected = awaitCompletion<SpotifySnapshotResult>(
            [&](auto done) { m_bridge->snapshot(pid(), true, done); });
        QVERIFY2(connected.isSuccess() || connected.localError(), "the first poll failed");
    }

    void cleanupTestCase()
    {
        m_bridge.reset();
        if (m_browser.state() != QProcess::NotRunning) {
            m_browser.terminate();
            if (!m_browser.waitForFinished(10'000))
                m_browser.kill();
        }
        m_server.reset();
    }

    void readsThePlayingTab()
    {
        const SpotifySnapshot song = pollUntil(
            [](const SpotifySnapshot &s) { return s.isPlaying && s.timing.duration > 0; });
        QCOMPARE(song.title, QStringLiteral("Song One"));
        QCOMPARE(song.artist, QStringLiteral("Artist One"));
        QCOMPARE(song.album, QStringLiteral("Album One"));
        QCOMPARE(song.playbackID, QStringLiteral("aaaaaaaaaaa"));
        QCOMPARE(song.timing.duration, 120.0);
        QCOMPARE(
            song.artworkURL,
            QUrl(QStringLiteral("https://lh3.googleusercontent.com/cover-one=w544-h544-l90-rj")));

        // A poll of a known playing tab: an address check and a program run.
        const qint64 before = m_server->bytesRelayed();
        QElapsedTimer timer;
        timer.start();
        const auto again = poll();
        const qint64 elapsed = timer.nsecsElapsed();
        QVERIFY(again.isSuccess() && again.value().isPlaying);
        qInfo("one poll of a known playing tab: %.1f ms, %lld bytes relayed", elapsed / 1e6,
              m_server->bytesRelayed() - before);
    }

    void controlsChangeThePage()
    {
        QVERIFY(command(SpotifyCommand::toggle()).isSuccess());
        QVERIFY(!pollUntil([](const SpotifySnapshot &s) { return !s.isPlaying; }).isPlaying);
        QVERIFY(command(SpotifyCommand::toggle()).isSuccess());
        QVERIFY(pollUntil([](const SpotifySnapshot &s) { return s.isPlaying; }).isPlaying);

        const auto first = current();
        QVERIFY(first.title == QStringLiteral("Song One"));
        QVERIFY(command(SpotifyCommand::seek(75, *LyricsTrack::from(first))).isSuccess());
        QVERIFY(current().timing.elapsed >= 75);

        // Levels whose fraction times 100 is not a whole number in floating point.
        for (int level : {57, 29, 7}) {
            QVERIFY(command(SpotifyCommand::volume(level)).isSuccess());
            QCOMPARE(current().volume, level);
        }

        QVERIFY(command(SpotifyCommand::next()).isSuccess());
        QCOMPARE(
            pollUntil([](const SpotifySnapshot &s) { return s.title == "Song Two"; }).playbackID,
            QStringLiteral("bbbbbbbbbbb"));
    }

    void staleCommandChangesNothing()
    {
        QCOMPARE(current().playbackID, QStringLiteral("bbbbbbbbbbb"));
        const auto [window, index] = tabWhere([](const QString &a) { return !a.isEmpty(); });
        QVERIFY(window > 0);

        // The user skips a song in the page; the bridge still names the old one.
        const auto skipped =
            runInTab(window, index, QStringLiteral(R"({"expected":"bbbbbbbbbbb","kind":"next"})"));
        QVERIFY(skipped.reply.parameter(kDirectObject));
        const auto stale = command(SpotifyCommand::next());
        QVERIFY(stale.localError());
        QCOMPARE(stale.localError()->kind(), Kind::trackChanged);
        QCOMPARE(current().title, QStringLiteral("Song One"));
    }

    void anotherOriginIsNeverRead()
    {
        // The other origin's tab: its address is hidden from the extension.
        const auto [window, index] = tabWhere([](const QString &a) { return a.isEmpty(); });
        QVERIFY(window > 0);
        // Even asked directly, the browser refuses to run the program there.
        const auto refused = runInTab(window, index, QStringLiteral(R"({"kind":"read"})"));
        QCOMPARE(refused.error, ScriptError::kEventFailed);
    }
};

QTEST_GUILESS_MAIN(BrowserEndToEndTest)
#include "tst_browser_e2e.moc"
