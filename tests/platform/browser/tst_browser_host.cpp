#include "platform/browser/BrowserExtensionChannel.h"
#include "platform/browser/BrowserFrameReader.h"
#include "platform/browser/BrowserHostAddress.h"
#include "platform/browser/BrowserHostInstaller.h"
#include "platform/browser/BrowserHostServer.h"
#include "support/CountingFileStorage.h"
#include "support/TestRows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using HostFamily = BrowserHostInstaller::HostFamily;
using Outcome = BrowserHostServer::Outcome;

namespace {

// A stand-in browser: a copy of the shell under a browser's executable name
// that starts the real host as its child and, like a browser, talks to it
// over its standard input and output. The test plays the extension.
class FakeBrowser
{
public:
    FakeBrowser(const QString &folder, const QString &name)
    {
        const QString shell = folder + u'/' + name;
        QFile::copy(QStringLiteral("/bin/sh"), shell);
        QFile::setPermissions(shell, QFile::ReadOwner | QFile::ExeOwner);
        // The shell stays after its host has gone, until its input closes.
        m_process.start(shell, {QStringLiteral("-c"),
                                QStringLiteral("'%1'; read x").arg(VELLOWAY_BROWSER_HOST)});
        m_process.waitForStarted();
    }
    ~FakeBrowser()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    qint32 pid() const { return qint32(m_process.processId()); }
    void write(const QByteArray &raw)
    {
        m_process.write(raw);
        m_process.waitForBytesWritten();
    }
    void answer(QJsonObject message)
    {
        write(BrowserFrameReader::frame(QJsonDocument(message).toJson(QJsonDocument::Compact)));
    }
    void quit() { m_process.closeWriteChannel(); }

    /// The next message from the host, waiting up to five seconds.
    QJsonObject receive()
    {
        for (int i = 0; i < 50; ++i) {
            if (const auto body = m_frames.next())
                return QJsonDocument::fromJson(*body).object();
            m_process.waitForReadyRead(100);
            const QByteArray bytes = m_process.readAllStandardOutput();
            m_frames.append(bytes.constData(), bytes.size());
        }
        return {};
    }

private:
    QProcess m_process;
    BrowserFrameReader m_frames{1 << 20};
};

struct SteppedClock final : Clock // read by the server's thread while the test moves it
{
    Seconds now() const override { return Seconds(seconds.load()); }
    QDateTime wallNow() const override { return {}; }
    std::atomic<double> seconds{0};
};

std::future<BrowserHostServer::Reply> requestLater(BrowserHostServer &server, qint32 pid)
{
    return std::async(std::launch::async, [&server, pid] {
        return server.request(pid, {{QStringLiteral("type"), QStringLiteral("list")}}, Seconds(5));
    });
}

// A channel's value as compact JSON, or its error's name.
template <typename T> QByteArray seen(const BrowserPlayerChannel::Result<T> &result)
{
    constexpr const char *kErrors[] = {"notConnected", "notRunning", "timedOut",
                                       "noTab",        "failed",     "malformed"};
    if (const auto *error = std::get_if<BrowserPlayerChannel::Error>(&result))
        return kErrors[int(*error)];
    QJsonArray windows;
    if constexpr (std::is_same_v<T, QJsonObject>)
        return QJsonDocument(std::get<T>(result)).toJson(QJsonDocument::Compact);
    else
        for (const auto &window : std::get<T>(result))
            windows.append(QJsonObject{{"id", window.id},
                                       {"tabs", QJsonArray::fromStringList(window.addresses)}});
    return QJsonDocument(windows).toJson(QJsonDocument::Compact);
}

// `count` windows numbered from 1 with `tabs` hidden addresses each, as JSON.
QByteArray windows(int count, int tabs)
{
    QByteArrayList windows;
    for (int w = 1; w <= count; ++w)
        windows += R"({"id":)" + QByteArray::number(w) + R"(,"tabs":[)" +
                   QByteArrayList(tabs, R"("")").join(',') + "]}";
    return '[' + windows.join(',') + ']';
}

} // namespace

class BrowserHostTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    SteppedClock m_clock;
    std::unique_ptr<BrowserHostServer> m_server;

private slots:
    void init()
    {
        const QString runtime = m_dir.filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        m_server =
            std::make_unique<BrowserHostServer>(*BrowserHostAddress::socketPath(true), m_clock);
        QVERIFY(m_server->isListening());
    }
    void cleanup() { m_server.reset(); }

    void browserWithoutHostOrGone()
    {
        QCOMPARE(
            m_server->request(qint32(QCoreApplication::applicationPid()), {}, Seconds(1)).outcome,
            Outcome::notConnected);
        QProcess gone;
        gone.start(QStringLiteral("true"));
        gone.waitForFinished();
        QCOMPARE(m_server->request(qint32(gone.processId()), {}, Seconds(1)).outcome,
                 Outcome::notRunning);
    }

    void relaysBetweenProgramAndExtension()
    {
        FakeBrowser chrome(m_dir.path(), QStringLiteral("chrome"));
        FakeBrowser brave(m_dir.path(), QStringLiteral("brave"));
        QVERIFY(QTest::qWaitFor([&] {
            return m_server->isConnected(chrome.pid()) && m_server->isConnected(brave.pid());
        }));

        // Two browsers at once: each request reaches its own browser.
        BrowserExtensionChannel channel(*m_server);
        for (FakeBrowser *browser : {&chrome, &brave}) {
            auto listed = std::async(std::launch::async,
                                     [&] { return channel.windows(browser->pid(), Seconds(5)); });
            const QJsonObject request = browser->receive();
            QCOMPARE(request.value("type"), QStringLiteral("list"));
            browser->answer(
                {{"id", request.value("id")},
                 {"windows", QJsonArray{QJsonObject{
                                 {"id", browser->pid()},
                                 {"tabs", QJsonArray{"", "https://music.youtube.com/"}}}}}});
            QCOMPARE(std::get<0>(listed.get()).at(0).id, browser->pid());
        }
    }

    void channelChecksWhatTheExtensionAnswers_data()
    {
        // expected: the channel's result as `seen` writes it
        columns<QByteArray, QByteArray, QByteArray>("type", "answer", "expected");
        const QByteArray listing = R"([{"id":7,"tabs":["","https://music.youtube.com/"]}])";
        row("listing", "list"_ba, R"({"windows":)" + listing + "}", listing);
        row("odd addresses read as hidden", "list"_ba,
            R"({"windows":[{"id":7,"tabs":[5,")" + QByteArray(5000, 'x') + R"("]}]})",
            R"([{"id":7,"tabs":["",""]}])"_ba);
        row("windows and tabs past the caps", "list"_ba, R"({"windows":)" + windows(70, 260) + "}",
            windows(64, 256));
        row("no listing", "list"_ba, "{}"_ba, "failed"_ba);
        for (const char *window :
             {R"({"id":1.5,"tabs":[]})", R"({"id":0,"tabs":[]})", R"({"id":1e12,"tabs":[]})",
              R"({"id":"7","tabs":[]})", R"({"id":7})", R"({"id":7,"tabs":[]},{"id":7,"tabs":[]})"})
            row(window, "list"_ba, R"({"windows":[)" + QByteArray(window) + "]}", "malformed"_ba);
        row("tab gone", "run"_ba, R"({"error":"noTab"})"_ba, "noTab"_ba);
        row("browser refused", "run"_ba, R"({"error":"failed"})"_ba, "failed"_ba);
        row("result", "run"_ba, R"({"result":{"title":"T"}})"_ba, R"({"title":"T"})"_ba);
        row("result as text", "run"_ba, R"({"result":"{}"})"_ba, "malformed"_ba);
        row("too large to relay", "run"_ba,
            R"({"result":{"title":")" + QByteArray(70'000, 'x') + R"("}})", "timedOut"_ba);
    }

    void channelChecksWhatTheExtensionAnswers()
    {
        auto [type, answer, expected] =
            fetch<QByteArray, QByteArray, QByteArray>("type", "answer", "expected");
        FakeBrowser chrome(m_dir.path(), QStringLiteral("chrome"));
        QVERIFY(QTest::qWaitFor([&] { return m_server->isConnected(chrome.pid()); }));
        BrowserExtensionChannel channel(*m_server);
        auto call = std::async(std::launch::async, [&, type = type] {
            if (type == "list")
                return seen(channel.windows(chrome.pid(), Seconds(1)));
            return seen(channel.run(chrome.pid(), {7, 1}, {{"name", "read"}}, Seconds(1)));
        });
        // The real extension of the end-to-end test proves what the requests say.
        QJsonObject reply = QJsonDocument::fromJson(answer).object();
        reply.insert("id", chrome.receive().value("id"));
        chrome.answer(reply);
        QCOMPARE(call.get(), expected);
    }

    void brokenStreamsEndTheConnection_data()
    {
        columns<bool, bool>("fromBrowser", "quits");
        row("browser announces 4 GiB", true, false);
        row("browser quits mid-request", true, true);
        row("host announces 4 GiB", false, false);
        row("host closes mid-message", false, true);
    }

    void brokenStreamsEndTheConnection()
    {
        auto [fromBrowser, quits] = fetch<bool, bool>("fromBrowser", "quits");
        const QByteArray hugePrefix("\xff\xff\xff\xff", 4);
        if (fromBrowser) {
            FakeBrowser chrome(m_dir.path(), QStringLiteral("chromium"));
            QVERIFY(QTest::qWaitFor([&] { return m_server->isConnected(chrome.pid()); }));
            auto pending = requestLater(*m_server, chrome.pid());
            QVERIFY(!chrome.receive().isEmpty());
            if (quits)
                chrome.quit();
            else
                chrome.write(hugePrefix + "{}");
            QCOMPARE(pending.get().outcome, quits ? Outcome::notRunning : Outcome::notConnected);
            return;
        }
        // Hosts in this process: their parent is this test's parent, and one
        // that claims to speak for another process is turned away.
        const qint32 parent =
            BrowserHostServer::parentOf(qint32(QCoreApplication::applicationPid()));
        QLocalSocket impostor, host;
        for (auto [socket, pid] : {std::pair{&impostor, 1}, std::pair{&host, parent}}) {
            socket->connectToServer(m_server->socketPath());
            QVERIFY(socket->waitForConnected());
            socket->write(BrowserFrameReader::frame(
                QJsonDocument(QJsonObject{{"type", "hello"}, {"browser", "edge"}, {"pid", pid}})
                    .toJson()));
            socket->flush();
        }
        QVERIFY(impostor.waitForDisconnected());
        QVERIFY(QTest::qWaitFor([&] { return m_server->isConnected(parent); }));
        auto pending = requestLater(*m_server, parent);
        QVERIFY(host.waitForReadyRead());
        host.write(quits ? QByteArray("\x20\x00\x00\x00{\"id\":1", 11) : hugePrefix);
        host.flush();
        if (quits)
            host.disconnectFromServer();
        QCOMPARE(pending.get().outcome, Outcome::notConnected);
    }

    void silentConnectionsNeitherShutOutHostsNorStay()
    {
        std::vector<int> silent(BrowserHostServer::kMaxSilentConnections);
        std::generate(silent.begin(), silent.end(), BrowserHostAddress::connectToProgram);
        const auto isClosed = [](int fd) { return ::recv(fd, &fd, 1, MSG_DONTWAIT) == 0; };
        FakeBrowser chrome(m_dir.path(), QStringLiteral("chrome"));
        QVERIFY(QTest::qWaitFor([&] { return m_server->isConnected(chrome.pid()); }));
        QVERIFY(isClosed(silent.front()) && !isClosed(silent[1])); // the oldest made way for it
        m_clock.seconds += BrowserHostServer::kHelloTimeout.count();
        // The host works, and its answer wakes the server, which finds the hellos overdue.
        auto pending = requestLater(*m_server, chrome.pid());
        chrome.answer({{"id", chrome.receive().value("id")}});
        QCOMPARE(pending.get().outcome, Outcome::answered);
        QVERIFY(std::all_of(silent.begin(), silent.end(), isClosed));
        std::for_each(silent.begin(), silent.end(), ::close);
    }

    // At login the browser usually starts first: its host must not have
    // backed off so far that the program waits for it.
    void hostStartedBeforeTheProgramConnectsSoonAfterIt()
    {
        m_server.reset();
        FakeBrowser chrome(m_dir.path(), QStringLiteral("chrome"));
        QTest::qWait(4000); // a real process on real time: long past its first tries
        m_server =
            std::make_unique<BrowserHostServer>(*BrowserHostAddress::socketPath(true), m_clock);
        QVERIFY(QTest::qWaitFor([&] { return m_server->isConnected(chrome.pid()); }, 2000));
    }

    void installsOnlyWhatDiffers()
    {
        const QString chrome = m_dir.filePath(QStringLiteral("config/google-chrome"));
        const QString edge = m_dir.filePath(QStringLiteral("config/microsoft-edge"));
        QVERIFY(QDir().mkpath(chrome));
        CountingFileStorage storage;
        const QString extension = m_dir.filePath(QStringLiteral("extension"));
        for (int round = 0; round < 2; ++round) {
            QVERIFY(BrowserHostInstaller::installManifests(
                "/opt/host",
                {{HostFamily::chromium, chrome, chrome + "/NativeMessagingHosts"},
                 {HostFamily::chromium, edge, edge + "/NativeMessagingHosts"}},
                storage));
            QVERIFY(BrowserHostInstaller::installExtension(extension, "function f() {}", storage));
        }
        QCOMPARE(storage.writes, 4); // one manifest and three extension files, once
        // A browser that is not installed is left alone. What the manifest
        // says is proven by the real browser of the end-to-end test.
        QVERIFY(!QFile::exists(edge));
    }
};

QTEST_GUILESS_MAIN(BrowserHostTest)
#include "tst_browser_host.moc"
