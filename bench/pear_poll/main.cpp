// Times one Pear poll (song and volume) against a local server that speaks
// the API, beside bare GETs of the same reply on a kept and on a new
// connection, and counts requests and connections per poll.
// Run: build/bench/pear_poll/bench_pear_poll

#include "platform/keyring/SecretStore.h"
#include "players/pear/PearAPI.h"
#include "players/pear/PearMusicBridge.h"
#include "support/MemorySettings.h"
#include "support/TestHttpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <cstdio>

namespace {

constexpr int kRounds = 200;

struct TokenStore final : SecretStore
{
    std::optional<QByteArray> read(const Attributes &) override { return "bench-token"; }
    std::optional<SecretStoreError> save(const Attributes &, const QString &,
                                         const QByteArray &) override
    {
        return std::nullopt;
    }
    void remove(const Attributes &) override {}
};

template <typename Fn> double millisecondsPerRound(Fn &&round)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kRounds; ++i)
        round();
    return timer.nsecsElapsed() / 1e6 / kRounds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestHttpServer server;
    server.keepConnections(true);
    server.route("/api/v1/song",
                 TestHttpServer::Response::ok(
                     "application/json",
                     R"({"title":"Song","artist":"A","videoId":"abcdefghijk",)"
                     R"("isPaused":false,"songDuration":200,"elapsedSeconds":12})"));
    server.route("/api/v1/volume", TestHttpServer::Response::ok(
                                       "application/json", R"({"state":57.5,"isMuted":false})"));

    MemorySettings settings;
    settings.setValue(PearMusicBridge::kEnabledKey, true);
    PearMusicBridge bridge(settings, std::make_unique<TokenStore>(),
                           QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    const double poll = millisecondsPerRound([&] {
        QEventLoop loop;
        bridge.snapshot(1, false, [&](const PlayerSnapshotResult &) { loop.quit(); });
        loop.exec();
    });
    const int requests = server.requestCount();
    const int connections = server.connectionCount();

    HttpClient client = HttpClient::loopback();
    const std::atomic<bool> cancelled{false};
    const HttpRequest get =
        PearAPI::request("/api/v1/song", PearAPI::Method::get, QStringLiteral("bench-token"))
            .value();
    const double kept = millisecondsPerRound([&] { client.send(get, cancelled); });
    const double fresh = millisecondsPerRound([&] { client.get(get, cancelled); });

    std::printf("poll: %.3f ms, %.1f requests, %d connection(s) over %d polls\n", poll,
                double(requests) / kRounds, connections, kRounds);
    std::printf("yardstick, one GET of the song: %.3f ms kept connection, %.3f ms new connection\n",
                kept, fresh);
    return 0;
}
