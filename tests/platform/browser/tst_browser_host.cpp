#include "platform/browser/BrowserFrameReader.h"
#include "platform/browser/BrowserHostAddress.h"
#include "platform/browser/BrowserHostInstaller.h"
#include "platform/browser/BrowserHostServer.h"
#include "platform/browser/BrowserScriptTransport.h"
#include "scripting/ScriptTerms.h"
#include "support/CountingFileStorage.h"
#include "support/TestRows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <future>

using namespace ScriptTerms;
using HostFamily = BrowserHostInstaller::HostFamily;

namespace {

const QString kProgram = QStringLiteral("(function (action) {}");

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

std::future<BrowserHostServer::Reply> requestLater(BrowserHostServer &server, qint32 pid)
{
    return std::async(std::launch::async, [&server, pid] {
        return server.request(pid, {{QStringLiteral("type"), QStringLiteral("list")}}, Seconds(5));
    });
}

} // namespace

class BrowserHostTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<BrowserHostServer> m_server;

private slots:
    void init()
    {
        const QString runtime = m_dir.filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        m_server = std::make_unique<BrowserHostServer>(*BrowserHostAddress::socketPath(true));
        QVERIFY(m_server->isListening());
    }
    void cleanup() { m_server.reset(); }

    void browserWithoutHostOrGone()
    {
        QCOMPARE(
            m_server->request(qint32(QCoreApplication::applicationPid()), {}, Seconds(1)).error,
            ScriptError::kScriptsRefused);
        QProcess gone;
        gone.start(QStringLiteral("true"));
        gone.waitForFinished();
        QCOMPARE(m_server->request(qint32(gone.processId()), {}, Seconds(1)).error,
                 ScriptError::kProcessNotFound);
    }

    void relaysBetweenProgramAndExtension()
    {
        FakeBrowser chrome(m_dir.path(), QStringLiteral("chrome"));
        FakeBrowser brave(m_dir.path(), QStringLiteral("brave"));
        QVERIFY(QTest::qWaitFor([&] {
            return m_server->isConnected(chrome.pid()) && m_server->isConnected(brave.pid());
        }));

        // Two browsers at once: each request reaches its own browser.
        BrowserScriptTransport transport(*m_server, kProgram);
        for (FakeBrowser *browser : {&chrome, &brave}) {
            auto listed = std::async(std::launch::async, [&] {
                ScriptEvent event(kCoreSuite, kGetData);
                event.setParameter(kDirectObject, ScriptReference::element(kWindowClass, 0));
                return transport.send(event, browser->pid(), Seconds(5));
            });
            const QJsonObject request = browser->receive();
            QCOMPARE(request.value("type"), QStringLiteral("list"));
            browser->answer(
                {{"id", request.value("id")},
                 {"windows", QJsonArray{QJsonObject{
                                 {"id", browser->pid()},
                                 {"tabs", QJsonArray{"", "https://music.youtube.com/"}}}}}});
            const ScriptResult result = listed.get();
            QCOMPARE(result.error, ScriptError::kNone);
            QCOMPARE(result.reply.parameter(kDirectObject)->items().at(0),
                     ScriptReference::element(kWindowClass, browser->pid()));
        }

        // A gone tab, an answer that never comes, one too large to relay.
        auto run = [&](const QString &script) {
            return std::async(std::launch::async, [&transport, &chrome, script] {
                ScriptEvent event(kChromiumSuite, kChromiumExecute);
                event.setParameter(kDirectObject, ScriptReference::element(
                                                      kChromiumTabClass, 2,
                                                      ScriptReference::element(kWindowClass, 7)));
                event.setParameter(kChromiumScriptText, ScriptDescriptor::text(script));
                return transport.send(event, chrome.pid(), Seconds(1));
            });
        };
        auto gone = run(kProgram + QStringLiteral(R"()({"kind":"read"}))"));
        const QJsonObject request = chrome.receive();
        QCOMPARE(request.value("index"), 1);
        QCOMPARE(request.value("action").toObject().value("kind"), QStringLiteral("read"));
        chrome.answer({{"id", request.value("id")}, {"error", "noTab"}});
        QCOMPARE(gone.get().error, ScriptError::kNoSuchObject);

        auto large = run(kProgram + QStringLiteral(R"()({"kind":"read"}))"));
        chrome.answer({{"id", chrome.receive().value("id")}, {"result", QString(70'000, u'x')}});
        QCOMPARE(large.get().error, ScriptError::kTimedOut);

        // Only the bundled program runs.
        QCOMPARE(run(QStringLiteral("alert(1)")).get().error, ScriptError::kEventNotHandled);
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
            QCOMPARE(pending.get().error,
                     quits ? ScriptError::kProcessNotFound : ScriptError::kScriptsRefused);
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
        QCOMPARE(pending.get().error, ScriptError::kScriptsRefused);
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
