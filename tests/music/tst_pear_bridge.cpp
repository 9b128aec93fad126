#include "music/PearAPI.h"
#include "music/PearConnectionKeychain.h"
#include "music/PearMusicBridge.h"
#include "platform/keyring/SecretStore.h"
#include "support/AwaitCompletion.h"
#include "support/MemorySettings.h"
#include "support/TestHttpServer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QTest>

using Kind = SpotifyLocalError::Kind;
using Response = TestHttpServer::Response;

namespace {

constexpr qint32 kPID = 4242;
const QByteArray kToken = "pear.T0ken-secret";
const QByteArray kSong = R"({"title":"Song","artist":"A","videoId":"abcdefghijk",)"
                         R"("isPaused":false,"songDuration":200,"elapsedSeconds":12})";

class MemorySecretStore final : public SecretStore
{
public:
    std::optional<QByteArray> read(const Attributes &) override { return secret; }
    std::optional<SecretStoreError> save(const Attributes &attributes, const QString &label,
                                         const QByteArray &value) override
    {
        if (failure)
            return failure;
        secret = value;
        savedAs = {attributes, label};
        return std::nullopt;
    }
    void remove(const Attributes &) override { secret.reset(); }

    std::optional<QByteArray> secret;
    std::optional<SecretStoreError> failure;
    std::pair<Attributes, QString> savedAs;
};

Response json(const QByteArray &body, int status = 200)
{
    Response response = Response::ok("application/json", body);
    response.status = status;
    return response;
}

struct Rig
{
    explicit Rig(bool connected = true)
    {
        QVERIFY2(server.port() == 26538, "port 26538 is taken");
        server.keepConnections(true);
        if (connected) {
            settings.setValue(PearMusicBridge::kEnabledKey, true);
            store->secret = kToken;
        }
        server.route("/api/v1/song", json(kSong));
        server.route("/api/v1/volume", json(R"({"state":57.5,"isMuted":false})"));
    }

    SpotifySnapshotResult snapshot(bool ask = false)
    {
        return awaitCompletion<SpotifySnapshotResult>(
            [&](auto done) { bridge->snapshot(kPID, ask, done); });
    }
    SpotifySendResult send(const SpotifyCommand &command, qint32 pid = kPID)
    {
        return awaitCompletion<SpotifySendResult>(
            [&](auto done) { bridge->send(command, pid, done); });
    }
    QList<TestHttpServer::Request> requestsTo(const QString &path) const
    {
        QList<TestHttpServer::Request> found;
        for (const auto &request : server.requests())
            if (request.path == path)
                found.append(request);
        return found;
    }

    TestHttpServer server{26538};
    MemorySettings settings;
    MemorySecretStore *store = new MemorySecretStore;
    std::unique_ptr<PearMusicBridge> bridge =
        std::make_unique<PearMusicBridge>(settings, std::unique_ptr<SecretStore>(store));
};

Kind kindOf(const SpotifySnapshotResult &result)
{
    return result.localError() ? result.localError()->kind() : Kind::browserReply;
}

} // namespace

Q_DECLARE_METATYPE(TestHttpServer::Response)

class PearBridgeTest : public QObject
{
    Q_OBJECT

private slots:
    void approvalStoresTheTokenWhichLaterRunsReuse()
    {
        static QStringList messages;
        const auto previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &text) { messages << text; });
        Rig rig(false);
        rig.server.setHandler([](const TestHttpServer::Request &request) {
            if (request.path.startsWith("/auth/Velloway-") && request.method == "POST")
                return json("{\"accessToken\":\"" + kToken + "\"}");
            return request.path == "/api/v1/song" ? json(kSong) : json("{}");
        });
        QCOMPARE(kindOf(rig.snapshot(false)), Kind::pearSetup);
        QCOMPARE(rig.server.requestCount(), 0); // never contacted before connecting

        const auto connected = rig.snapshot(true);
        QVERIFY(connected.isSuccess());
        QCOMPARE(connected.value().title, "Song");
        QCOMPARE(rig.store->secret, kToken);
        QCOMPARE(rig.store->savedAs.second, PearConnectionKeychain::kLabel);
        QCOMPARE(rig.store->savedAs.first.value("account"), "loopback-26538");
        QVERIFY(rig.settings.value(PearMusicBridge::kEnabledKey).toBool());
        const QString client = rig.settings.value(PearMusicBridge::kClientKey).toString();
        const auto requests = rig.server.requests();
        QCOMPARE(requests.first().path, "/auth/Velloway-" + client);
        QVERIFY(!requests.first().headers.contains("authorization"));
        QCOMPARE(requests.last().headers.value("authorization"), "Bearer " + kToken);

        // A new run reads the token from the keyring and asks nothing again.
        rig.bridge = std::make_unique<PearMusicBridge>(
            rig.settings, std::make_unique<MemorySecretStore>(*rig.store));
        QVERIFY(rig.snapshot(false).isSuccess());
        QCOMPARE(rig.requestsTo(requests.first().path).size(), 1);
        for (const auto &request : rig.server.requests())
            QVERIFY(!request.path.contains(kToken));
        qInstallMessageHandler(previous);
        QVERIFY(!messages.join('\n').contains(kToken));
    }

    void failedApprovalStoresNothing_data()
    {
        QTest::addColumn<Response>("reply");
        QTest::addColumn<bool>("keyringLocked");
        QTest::newRow("refused") << json("", 403) << false;
        QTest::newRow("token with a space") << json(R"({"accessToken":"a b"})") << false;
        QTest::newRow("token not text") << json(R"({"accessToken":7})") << false;
        QTest::newRow("html page") << Response::ok("text/html", "<html></html>") << false;
        QTest::newRow("keyring locked") << json(R"({"accessToken":"ok"})") << true;
    }
    void failedApprovalStoresNothing()
    {
        QFETCH(Response, reply);
        QFETCH(bool, keyringLocked);
        Rig rig(false);
        rig.store->failure = keyringLocked ? std::optional(SecretStoreError::locked) : std::nullopt;
        rig.server.setHandler([reply](const TestHttpServer::Request &) { return reply; });
        QCOMPARE(kindOf(rig.snapshot(true)), Kind::pearSetup);
        QVERIFY(!rig.store->secret);
        QVERIFY(!rig.settings.value(PearMusicBridge::kEnabledKey).isValid());
        QCOMPARE(rig.server.requestCount(), 1);
    }

    void revokedTokenIsDeletedAndPearLeftAlone()
    {
        Rig rig;
        rig.server.route("/api/v1/song", json("", 401));
        QCOMPARE(kindOf(rig.snapshot()), Kind::pearSetup);
        QVERIFY(!rig.store->secret);
        QCOMPARE(kindOf(rig.snapshot()), Kind::pearSetup);
        QCOMPARE(rig.server.requestCount(), 1);
    }

    void songAndVolume_data()
    {
        QTest::addColumn<Response>("song");
        QTest::addColumn<QByteArray>("volume");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("level"); // -1: none
        QTest::newRow("57.5 rounds up")
            << json(kSong) << QByteArray(R"({"state":57.5,"isMuted":false})") << "Song" << 58;
        QTest::newRow("muted") << json(kSong) << QByteArray(R"({"state":57.5,"isMuted":true})")
                               << "Song" << 0;
        QTest::newRow("150") << json(kSong) << QByteArray(R"({"state":150,"isMuted":false})")
                             << "Song" << -1;
        QTest::newRow("state as text")
            << json(kSong) << QByteArray(R"({"state":"5","isMuted":false})") << "Song" << -1;
        QTest::newRow("204 empty song")
            << json("", 204) << QByteArray(R"({"state":3,"isMuted":false})") << "" << 3;
    }
    void songAndVolume()
    {
        QFETCH(Response, song);
        QFETCH(QByteArray, volume);
        QFETCH(QString, title);
        QFETCH(int, level);
        Rig rig;
        rig.server.route("/api/v1/song", song);
        rig.server.route("/api/v1/volume", json(volume));
        const auto result = rig.snapshot();
        QVERIFY(result.isSuccess());
        QCOMPARE(result.value().title, title);
        QCOMPARE(result.value().isPlaying, !title.isEmpty());
        QCOMPARE(result.value().volume, level < 0 ? std::nullopt : std::optional(level));
    }

    void hostileServerEndsInTheDefinedError_data()
    {
        QTest::addColumn<Response>("reply");
        QTest::addColumn<int>("kind"); // -1: a decoding failure
        Response big = Response::ok("application/json", {});
        big.fillerBytes = 10 << 20;
        Response unannounced = big;
        unannounced.announceLength = false;
        Response stalling = json(kSong);
        stalling.stallAfter = 10;
        const int setup = int(Kind::pearSetup);
        QTest::newRow("redirect") << Response::redirect(302, "http://127.0.0.1:26538/x") << setup;
        QTest::newRow("server error") << json("", 500) << setup;
        QTest::newRow("10 MB announced") << big << setup;
        QTest::newRow("10 MB unannounced") << unannounced << int(Kind::invalidReply);
        QTest::newRow("stalling body") << stalling << setup;
        QTest::newRow("html page") << Response::ok("text/html", "<html>hi</html>") << -1;
        QTest::newRow("malformed json") << json(R"({"title":)") << -1;
        QTest::newRow("every field mistyped")
            << json(R"({"title":1,"artist":[],"album":{},"videoId":5,"imageSrc":true,)"
                    R"("isPaused":"no","songDuration":"x","elapsedSeconds":[],"volume":"y"})")
            << -1;
    }
    void hostileServerEndsInTheDefinedError()
    {
        QFETCH(Response, reply);
        QFETCH(int, kind);
        Rig rig;
        rig.server.route("/api/v1/song", reply);
        const auto result = rig.snapshot();
        QVERIFY(!result.isSuccess());
        if (kind < 0)
            QVERIFY(result.otherError() && !result.otherError()->description.contains(kToken));
        else
            QCOMPARE(kindOf(result), Kind(kind));
        QCOMPARE(rig.server.requestCount(), 1);
        QVERIFY(rig.store->secret); // only 401 and 403 touch the keyring
    }

    void refusedRequestsNeverLeave_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("post");
        QTest::newRow("GET next") << "/api/v1/next" << false;
        QTest::newRow("POST song") << "/api/v1/song" << true;
        QTest::newRow("auth without a UUID") << "/auth/Velloway-me" << true;
        QTest::newRow("auth with braces")
            << "/auth/Velloway-{6E0C3E3C-2E5A-4D31-9A59-6B8E1E0A2B11}" << true;
        QTest::newRow("GET auth") << "/auth/Velloway-6E0C3E3C-2E5A-4D31-9A59-6B8E1E0A2B11" << false;
        QTest::newRow("dot segments") << "/api/v1/../v1/song" << false;
    }
    void refusedRequestsNeverLeave()
    {
        QFETCH(QString, path);
        QFETCH(bool, post);
        const auto built =
            PearAPI::request(path, post ? PearAPI::Method::post : PearAPI::Method::get);
        QVERIFY(built.otherError());
    }

    void badStoredTokenIsNeverSent()
    {
        Rig rig;
        rig.store->secret = "two words\r\nX: y";
        QCOMPARE(kindOf(rig.snapshot()), Kind::pearSetup);
        QCOMPARE(rig.server.requestCount(), 0);
    }

    void commandsFollowTheReadSong()
    {
        Rig rig;
        QCOMPARE(rig.send(SpotifyCommand::toggle()).localError()->kind(), Kind::pearSetup);
        QVERIFY(rig.snapshot().isSuccess());
        QCOMPARE(rig.send(SpotifyCommand::toggle(), kPID + 1).localError()->kind(),
                 Kind::pearSetup);
        rig.server.route("/api/v1/toggle-play", json("", 204));
        rig.server.route("/api/v1/volume", json("{}"));
        rig.server.route("/api/v1/seek-to", json("{}"));
        QVERIFY(rig.send(SpotifyCommand::toggle()).isSuccess());
        QVERIFY(rig.send(SpotifyCommand::volume(150)).isSuccess());
        QCOMPARE(rig.requestsTo("/api/v1/volume").last().body, R"({"volume":100})");
        const auto other = LyricsTrack(QStringLiteral("Song"), QStringLiteral("A"), {}, 200, {},
                                       QStringLiteral("zzzzzzzzzzz"));
        QCOMPARE(rig.send(SpotifyCommand::seek(50, other)).localError()->kind(),
                 Kind::trackChanged);
        QVERIFY(rig.requestsTo("/api/v1/seek-to").isEmpty());
        const auto same = LyricsTrack(QStringLiteral("Song"), QStringLiteral("A"), {}, 200, {},
                                      QStringLiteral("abcdefghijk"));
        QVERIFY(rig.send(SpotifyCommand::seek(500, same)).isSuccess());
        QCOMPARE(rig.requestsTo("/api/v1/seek-to").last().body, R"({"seconds":200})");
    }

    // Reports the cost of a poll beside a bare GET of the same reply; asserts
    // only that polls share one connection.
    void pollsShareOneConnection()
    {
        Rig rig;
        constexpr int kPolls = 50;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kPolls; ++i) {
            QEventLoop loop; // not awaitCompletion: its waits are 10 ms steps
            rig.bridge->snapshot(kPID, false, [&](const auto &) { loop.quit(); });
            loop.exec();
        }
        const double pollMs = timer.nsecsElapsed() / 1e6 / kPolls;
        QCOMPARE(rig.server.connectionCount(), 1);
        const double requestsPerPoll = double(rig.server.requestCount()) / kPolls;

        HttpClient bare = HttpClient::loopback();
        std::atomic<bool> cancelled{false};
        HttpRequest get =
            PearAPI::request("/api/v1/song", PearAPI::Method::get, QString(kToken)).value();
        timer.restart();
        for (int i = 0; i < kPolls; ++i)
            QVERIFY(bare.send(get, cancelled).isSuccess());
        const double getMs = timer.nsecsElapsed() / 1e6 / kPolls;
        timer.restart();
        for (int i = 0; i < kPolls; ++i)
            QVERIFY(bare.get(get, cancelled).isSuccess()); // a new connection each time
        const double freshMs = timer.nsecsElapsed() / 1e6 / kPolls;
        qInfo("poll: %.1f requests, %.3f ms; bare GET of the song: %.3f ms kept, %.3f ms fresh",
              requestsPerPoll, pollMs, getMs, freshMs);
    }
};

QTEST_GUILESS_MAIN(PearBridgeTest)
#include "tst_pear_bridge.moc"
