#include "core/SystemClock.h"
#include "platform/browser/BrowserExtensionChannel.h"
#include "platform/browser/BrowserHostAddress.h"
#include "platform/browser/BrowserHostInstaller.h"
#include "platform/browser/BrowserHostServer.h"
#include "platform/storage/LocalFileStorage.h"
#include "players/browser/YouTubeBrowserBridge.h"
#include "support/AwaitCompletion.h"
#include "support/FileOwnership.h"
#include "support/MemorySettings.h"
#include "support/TestHttpsServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

using Kind = PlayerError::Kind;

// The Velloway extension and native host in a real headless Chromium (or
// Firefox ESR with VELLOWAY_E2E_BROWSER=firefox), against a local HTTPS page
// shaped like the YouTube Music player.
class BrowserEndToEndTest : public QObject
{
    Q_OBJECT

private:
    const bool m_firefox = qEnvironmentVariable("VELLOWAY_E2E_BROWSER") == "firefox";
    QTemporaryDir m_dir;
    std::unique_ptr<TestHttpsServer> m_page;
    std::unique_ptr<BrowserHostServer> m_server;
    QProcess m_browser;
    MemorySettings m_settings;
    std::unique_ptr<YouTubeBrowserBridge> m_bridge;

    qint32 pid() const { return qint32(m_browser.processId()); }

    PlayerSnapshotResult poll()
    {
        return awaitCompletion<PlayerSnapshotResult>(
            [&](auto done) { m_bridge->snapshot(pid(), false, done); });
    }

    PlayerSendResult command(const PlayerCommand &command)
    {
        return awaitCompletion<PlayerSendResult>(
            [&](auto done) { m_bridge->send(command, pid(), done); });
    }

    // Polls until `ready` holds (the page acts on its own time); the last snapshot.
    PlayerSnapshot pollUntil(const std::function<bool(const PlayerSnapshot &)> &ready = {})
    {
        PlayerSnapshot last;
        [[maybe_unused]] const bool done = QTest::qWaitFor(
            [&] {
                const auto result = poll();
                last = result.isSuccess() ? result.value() : PlayerSnapshot();
                return !ready || ready(last);
            },
            15'000);
        return last;
    }

    // Asks the extension directly, past the bridge: the tab (window id,
    // 0-based index) whose address is or is not hidden, and a run there.
    std::pair<int, int> tab(bool hidden)
    {
        const auto listing = m_server->request(pid(), {{"type", "list"}}, Seconds(5)).message;
        for (const QJsonValue &window : listing.value("windows").toArray()) {
            const QJsonArray tabs = window["tabs"].toArray();
            for (int i = 0; i < tabs.size(); ++i) {
                if (tabs[i].toString().isEmpty() == hidden)
                    return {window["id"].toInt(), i};
            }
        }
        return {0, 0};
    }
    QJsonObject run(std::pair<int, int> tab, const QJsonValue &action)
    {
        return m_server
            ->request(
                pid(),
                {{"type", "run"}, {"window", tab.first}, {"index", tab.second}, {"action", action}},
                Seconds(5))
            .message;
    }

    // Firefox ESR instead: the unsigned package and a trusted certificate for
    // the page in a profile where every host name leads to the page.
    void useFirefox(const QString &profile)
    {
        QVERIFY(QDir().mkpath(profile + "/extensions"));
        QVERIFY(QFile::copy(VELLOWAY_FIREFOX_XPI, profile + "/extensions/" +
                                                      BrowserHostInstaller::kFirefoxExtensionID +
                                                      ".xpi"));
        FileOwnership::writeFile(
            profile + "/user.js",
            QStringLiteral(R"(user_pref("xpinstall.signatures.required", false);
user_pref("extensions.autoDisableScopes", 0);
user_pref("network.dns.forceResolve", "127.0.0.1");
user_pref("network.socket.forcePort", "443=%1");
user_pref("dom.disable_open_during_load", false);
user_pref("media.autoplay.default", 0);)")
                .arg(m_page->port())
                .toUtf8());
        QCOMPARE(QProcess::execute("certutil", {"-A", "-d", "sql:" + profile, "-n", "page", "-t",
                                                "C,,", "-i", m_dir.filePath("server.crt")}),
                 0);
        m_browser.setArguments(
            {"--headless", "--no-remote", "--profile", profile, "https://other.example/"});
    }

private slots:
    void initTestCase()
    {
        const QString name = m_firefox ? QStringLiteral("firefox-esr") : QStringLiteral("chromium");
        const QString browser = QStandardPaths::findExecutable(name);
        if (browser.isEmpty())
            QFAIL(qPrintable(name + " is not installed (scripts/setup.sh installs it): the "
                                    "browser end-to-end test cannot run"));
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
        m_page = std::make_unique<TestHttpsServer>(
            page.readAll(), m_dir.path(), QStringList{"music.youtube.com", "other.example"});
        QVERIFY2(m_page->isListening(), qPrintable(m_page->error()));

        // A HOME in which the browser has run once: the program's own
        // installer puts the host's manifest where the browser looks.
        const QString home = m_dir.filePath(QStringLiteral("home"));
        qputenv("HOME", QFile::encodeName(home));
        qunsetenv("XDG_CONFIG_HOME");
        const QString profile =
            home + (m_firefox ? "/.config/mozilla/profile" : "/.config/chromium");
        QVERIFY(QDir().mkpath(profile));
        QVERIFY(BrowserHostInstaller::installManifests(VELLOWAY_BROWSER_HOST,
                                                       BrowserHostInstaller::hostFolders(),
                                                       LocalFileStorage::shared()));

        // The other origin's tab comes first, so a scan passes over it; it
        // opens the player's tab (headless Chromium takes one address).
        m_browser.setProgram(browser);
        m_browser.setArguments(
            QStringLiteral(
                "--headless=new --no-sandbox --disable-gpu --no-first-run "
                "--disable-background-networking --disable-component-update "
                "--disable-sync --autoplay-policy=no-user-gesture-required "
                "--ignore-certificate-errors --disable-popup-blocking --password-store=basic")
                .split(u' ') +
            QStringList{QStringLiteral("--user-data-dir=") + profile,
                        QStringLiteral("--load-extension=" VELLOWAY_EXTENSION_DIR),
                        QStringLiteral("--host-resolver-rules=MAP music.youtube.com 127.0.0.1:%1, "
                                       "MAP other.example 127.0.0.1:%1, MAP * ~NOTFOUND")
                            .arg(m_page->port()),
                        QStringLiteral("https://other.example/")});
        if (m_firefox)
            useFirefox(profile);
        // The browser never outlives a test that stops early.
        m_browser.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_browser.start();
        if (!m_browser.waitForStarted(10'000))
            QFAIL(qPrintable(name + " could not be started: " + m_browser.errorString()));
        if (!QTest::qWaitFor(
                [&] {
                    return m_server->isConnected(pid()) ||
                           m_browser.state() == QProcess::NotRunning;
                },
                30'000) ||
            !m_server->isConnected(pid()))
            QFAIL(qPrintable(name + " started, but the extension's native host never connected"));

        m_bridge = std::make_unique<YouTubeBrowserBridge>(
            m_firefox ? MusicSource::safari : MusicSource::chrome,
            std::make_unique<BrowserExtensionChannel>(*m_server), SystemClock::shared(),
            m_settings);
        const auto connected = awaitCompletion<PlayerSnapshotResult>(
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
        const PlayerSnapshot song =
            pollUntil([](const PlayerSnapshot &s) { return s.isPlaying && s.timing.duration > 0; });
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
        QVERIFY(command(PlayerCommand::toggle()).isSuccess());
        QVERIFY(!pollUntil([](const PlayerSnapshot &s) { return !s.isPlaying; }).isPlaying);
        QVERIFY(command(PlayerCommand::toggle()).isSuccess());
        QVERIFY(pollUntil([](const PlayerSnapshot &s) { return s.isPlaying; }).isPlaying);

        const auto first = pollUntil();
        QCOMPARE(first.title, QStringLiteral("Song One"));
        QVERIFY(command(PlayerCommand::seek(75, *LyricsTrack::from(first))).isSuccess());
        QVERIFY(pollUntil().timing.elapsed >= 75);

        // Levels whose fraction times 100 is not a whole number in floating point.
        for (int level : {57, 29, 7}) {
            QVERIFY(command(PlayerCommand::volume(level)).isSuccess());
            QCOMPARE(pollUntil().volume, level);
        }

        QVERIFY(command(PlayerCommand::next()).isSuccess());
        QCOMPARE(
            pollUntil([](const PlayerSnapshot &s) { return s.title == "Song Two"; }).playbackID,
            QStringLiteral("bbbbbbbbbbb"));
    }

    void staleCommandChangesNothing()
    {
        QCOMPARE(pollUntil().playbackID, QStringLiteral("bbbbbbbbbbb"));
        // The user skips a song in the page; the bridge still names the old one.
        QVERIFY(run(tab(false), QJsonObject{{"name", "next"}, {"expected", "bbbbbbbbbbb"}})
                    .contains("result"));
        const auto stale = command(PlayerCommand::next());
        QVERIFY(stale.localError());
        QCOMPARE(stale.localError()->kind(), Kind::trackChanged);
        QCOMPARE(pollUntil().title, QStringLiteral("Song One"));
    }

    void anotherOriginIsNeverRead()
    {
        // The other origin's address is hidden from the extension, and even
        // asked directly the browser refuses to run the program there.
        const auto other = tab(true);
        QVERIFY(other.first > 0);
        QCOMPARE(run(other, QJsonObject{{"name", "read"}}).value("error"),
                 QStringLiteral("failed"));
        // Text where an action belongs is refused, never run.
        QCOMPARE(run(tab(false), "alert(1)").value("error"), QStringLiteral("unknown"));
    }
};

QTEST_GUILESS_MAIN(BrowserEndToEndTest)
#include "tst_browser_e2e.moc"
