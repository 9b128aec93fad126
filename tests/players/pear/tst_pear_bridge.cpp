#include "platform/keyring/SecretStore.h"
#include "players/pear/PearAPI.h"
#include "players/pear/PearMusicBridge.h"
#include "support/AwaitCompletion.h"
#include "support/MemorySettings.h"
#include "support/TestHttpServer.h"
#include "support/TestRows.h"

#include <QTest>

using Kind = PlayerError::Kind;
using Response = TestHttpServer::Response;
using PearAPI::Method;

namespace {

const QByteArray kToken = "pear.T0ken-secret";
const QByteArray kSong = R"({"title":"Song","artist":"A","videoId":"abcdefghijk",)"
                         R"("isPaused":false,"songDuration":200,"elapsedSeconds":12})";

struct MemorySecretStore final : SecretStore
{
    std::optional<QByteArray> read(const Attributes &) override { return secret; }
    std::optional<SecretStoreError> save(const Attributes &, const QString &,
                                         const QByteArray &value) override
    {
        secret = failure ? secret : value;
        return failure;
    }
    void remove(const Attributes &) override { secret.reset(); }

    std::optional<QByteArray> secret;
    std::optional<SecretStoreError> failure;
};

Response json(const QByteArray &body, int status = 200)
{
    Response response = Response::ok("application/json", body);
    response.status = status;
    return response;
}

struct Rig : BridgeCalls<Rig>
{
    explicit Rig(bool connected = true)
    {
        server.keepConnections(true);
        if (connected) {
            settings.setValue(PearMusicBridge::kEnabledKey, true);
            store->secret = kToken;
        }
        server.route("/api/v1/song", json(kSong));
        server.route("/api/v1/volume", json(R"({"state":57.5,"isMuted":false})"));
    }
    TestHttpServer server;
    // Pear's own port may be taken on this machine: the bridge is pointed at
    // this server instead.
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(server.port()); }
    MemorySettings settings;
    MemorySecretStore *store = new MemorySecretStore;
    std::unique_ptr<PearMusicBridge> bridge =
        std::make_unique<PearMusicBridge>(settings, std::unique_ptr<SecretStore>(store), origin());
};

// The bridge's error; `browserReply` (never raised here) stands for none.
template <typename Result> Kind kindOf(const Result &result)
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
        Rig rig(false);
        rig.server.setHandler([](const TestHttpServer::Request &request) {
            if (request.path.startsWith("/auth/Velloway-") && request.method == "POST")
                return json("{\"accessToken\":\"" + kToken + "\"}");
            return request.path == "/api/v1/song" ? json(kSong) : json("{}");
        });
        QCOMPARE(kindOf(rig.snapshot(false)), Kind::pearSetup);
        QCOMPARE(rig.server.requestCount(), 0); // never contacted before connecting

        QCOMPARE(rig.snapshot(true).value().title, "Song");
        QCOMPARE(rig.store->secret, kToken);
        QVERIFY(rig.settings.value(PearMusicBridge::kEnabledKey).toBool());
        const QString client = rig.settings.value(PearMusicBridge::kClientKey).toString();
        const auto requests = rig.server.requests();
        QCOMPARE(requests.first().path, "/auth/Velloway-" + client);
        QVERIFY(!requests.first().headers.contains("authorization"));
        QCOMPARE(requests.last().headers.value("authorization"), "Bearer " + kToken);

        // A new run reads the token from the keyring and asks nothing again.
        rig.bridge = std::make_unique<PearMusicBridge>(
            rig.settings, std::make_unique<MemorySecretStore>(*rig.store), rig.origin());
        QVERIFY(rig.snapshot(false).isSuccess());
        for (const auto &request : rig.server.requests().mid(1))
            QVERIFY(!request.path.startsWith("/auth/") && !request.path.contains(kToken));
    }

    void failedApprovalStoresNothing_data()
    {
        columns<Response, bool>("reply", "keyringLocked");
        row("refused", json("", 403), false);
        row("token with a space", json(R"({"accessToken":"a b"})"), false);
        row("keyring locked", json(R"({"accessToken":"ok"})"), true);
    }
    void failedApprovalStoresNothing()
    {
        auto [reply, keyringLocked] = fetch<Response, bool>("reply", "keyringLocked");
        Rig rig(false);
        rig.store->failure = keyringLocked ? std::optional(SecretStoreError::locked) : std::nullopt;
        rig.server.setHandler([reply](const auto &) { return reply; });
        QCOMPARE(kindOf(rig.snapshot(true)), Kind::pearSetup);
        QVERIFY(!rig.store->secret);
        QVERIFY(!rig.settings.value(PearMusicBridge::kEnabledKey).isValid());
    }

    void songAndVolume_data()
    {
        columns<int, QString, int>("songStatus", "volume", "level"); // level -1: none
        row("57.5 rounds up", 200, R"({"state":57.5,"isMuted":false})", 58);
        row("muted", 200, R"({"state":57.5,"isMuted":true})", 0);
        row("150", 200, R"({"state":150,"isMuted":false})", -1);
        row("204 empty song", 204, R"({"state":3,"isMuted":false})", 3);
    }
    void songAndVolume()
    {
        auto [songStatus, volume, level] =
            fetch<int, QString, int>("songStatus", "volume", "level");
        Rig rig;
        rig.server.route("/api/v1/song", json(songStatus == 200 ? kSong : "", songStatus));
        rig.server.route("/api/v1/volume", json(volume.toUtf8()));
        const auto result = rig.snapshot();
        QCOMPARE(result.value().title, songStatus == 200 ? "Song" : "");
        QCOMPARE(result.value().isPlaying, songStatus == 200);
        QCOMPARE(result.value().volume, level < 0 ? std::nullopt : std::optional(level));
    }

    void hostileServerEndsInTheDefinedError_data()
    {
        columns<Response, int>("reply", "kind"); // kind -1: a decoding failure
        Response big = Response::ok("application/json", {});
        big.fillerBytes = 10 << 20;
        Response unannounced = big;
        unannounced.announceLength = false;
        Response stalling = json(kSong);
        stalling.stallAfter = 10;
        const int setup = int(Kind::pearSetup);
        row("token revoked", json("", 401), setup);
        row("redirect", Response::redirect(302, "http://127.0.0.1:26538/x"), setup);
        row("10 MB announced", big, setup);
        row("10 MB unannounced", unannounced, int(Kind::invalidReply));
        row("stalling body", stalling, setup);
        row("html page", Response::ok("text/html", "<html>hi</html>"), -1);
        row("malformed json", json(R"({"title":)"), -1);
        row("every field mistyped",
            json(R"({"title":1,"artist":[],"album":{},"videoId":5,"imageSrc":true,)"
                 R"("isPaused":"no","songDuration":"x","elapsedSeconds":[],"volume":"y"})"),
            -1);
    }
    void hostileServerEndsInTheDefinedError()
    {
        auto [reply, kind] = fetch<Response, int>("reply", "kind");
        Rig rig;
        rig.server.route("/api/v1/song", reply);
        const auto result = rig.snapshot();
        if (kind < 0)
            QVERIFY(result.otherError() && !result.otherError()->description.contains(kToken));
        else
            QCOMPARE(kindOf(result), Kind(kind));
        QCOMPARE(rig.server.requestCount(), 1);
        // Only a refusal touches the keyring; a revoked token is deleted and
        // Pear is left alone from then on.
        QCOMPARE(rig.store->secret.has_value(), reply.status != 401);
        if (reply.status == 401) {
            QCOMPARE(kindOf(rig.snapshot()), Kind::pearSetup);
            QCOMPARE(rig.server.requestCount(), 1);
        }
    }

    void refusedRequestsNeverLeave()
    {
        QVERIFY(PearAPI::request("/api/v1/next", Method::get).otherError());
        QVERIFY(PearAPI::request("/api/v1/song", Method::post).otherError());
        QVERIFY(PearAPI::request("/auth/Velloway-not-a-uuid", Method::post).otherError());
        // A stored token that would break the header line is never sent.
        Rig rig;
        rig.store->secret = "two words\r\nX: y";
        QCOMPARE(kindOf(rig.snapshot()), Kind::pearSetup);
        QCOMPARE(rig.server.requestCount(), 0);
    }

    void commandsFollowTheReadSong()
    {
        Rig rig;
        QCOMPARE(kindOf(rig.send(PlayerCommand::toggle())), Kind::pearSetup);
        QVERIFY(rig.snapshot().isSuccess());
        QCOMPARE(kindOf(rig.send(PlayerCommand::toggle(), Rig::kPID + 1)), Kind::pearSetup);
        for (const char *path : {"/api/v1/volume", "/api/v1/seek-to"})
            rig.server.route(path, json("", 204));
        QCOMPARE(kindOf(rig.send(PlayerCommand::volume(150))), Kind::browserReply); // sent
        QCOMPARE(rig.server.requests().last().body, R"({"volume":100})");
        LyricsTrack track(QStringLiteral("Song"), QStringLiteral("A"), {}, 200, {},
                          QStringLiteral("zzzzzzzzzzz"));
        QCOMPARE(kindOf(rig.send(PlayerCommand::seek(50, track))), Kind::trackChanged);
        QCOMPARE(rig.server.requests().last().path, "/api/v1/song");
        track =
            LyricsTrack(track.title(), track.artist(), {}, 200, {}, QStringLiteral("abcdefghijk"));
        QCOMPARE(kindOf(rig.send(PlayerCommand::seek(500, track))), Kind::browserReply);
        QCOMPARE(rig.server.requests().last().body, R"({"seconds":200})");
        QCOMPARE(rig.server.connectionCount(), 1); // every request on the one kept connection
    }
};

QTEST_GUILESS_MAIN(PearBridgeTest)
#include "tst_pear_bridge.moc"
