#include "lyrics/LyricsLoader.h"
#include "lyrics/LyricsPolicy.h"
#include "support/TestHttpServer.h"
#include "support/TestRows.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(TestHttpServer::Response)

namespace {

using Kind = LyricsFailure::Kind;
using namespace std::chrono_literals;

constexpr int kWaitMs = 30'000;

LyricsTrack song(const QString &title, int duration = 180)
{
    return LyricsTrack(title, QStringLiteral("Artist"), QStringLiteral("Album"), duration);
}

QByteArray replyFor(const QString &title, double duration = 180)
{
    return QJsonDocument(QJsonObject{{"trackName", title},
                                     {"artistName", "Artist"},
                                     {"duration", duration},
                                     {"instrumental", false},
                                     {"syncedLyrics", "[00:01.00]" + title},
                                     {"plainLyrics", title}})
        .toJson(QJsonDocument::Compact);
}

TestHttpServer::Response jsonReply(const QByteArray &body)
{
    return TestHttpServer::Response::ok("application/json", body);
}

// Answers every lookup with lyrics for the song it names.
TestHttpServer::Response echoSong(const TestHttpServer::Request &request)
{
    return jsonReply(replyFor(request.query.queryItemValue("track_name", QUrl::FullyDecoded),
                              request.query.queryItemValue("duration").toDouble()));
}

LyricsLoader::Options routedTo(const TestHttpServer &server, Seconds idle = 12s,
                               Seconds total = 20s)
{
    LyricsLoader::Options options{
        .connectionOverride = {}, .idleTimeout = idle, .totalTimeout = total};
    options.connectionOverride.route(QStringLiteral("lrclib.net"), 443, server.port());
    return options;
}

// One lookup in flight: its handle and, once delivered, its result.
struct Lookup
{
    QObject context;
    std::optional<LyricsResult> result;
    CancelHandle handle;

    Lookup(LyricsProviding &loader, const LyricsTrack &track)
    {
        handle = loader.lyrics(track, &context, [this](LyricsResult r) { result = std::move(r); });
    }

    bool finish()
    {
        return QTest::qWaitFor([this] { return result.has_value(); }, kWaitMs);
    }
    // Waits for the result: the failure's kind, -1 for a document or -2 for
    // nothing in time, so a mismatch prints plainly.
    int failure()
    {
        if (!finish())
            return -2;
        const LyricsFailure *failed = std::get_if<LyricsFailure>(&*result);
        return failed ? int(failed->kind) : -1;
    }
    QString detail() const
    {
        const LyricsFailure *failed = result ? std::get_if<LyricsFailure>(&*result) : nullptr;
        return failed ? failed->detail : QString();
    }
};

} // namespace

class LyricsLoaderTest : public QObject
{
    Q_OBJECT

private slots:
    void sendsOneAnonymousRequestToTheOriginAndBuildsTheDocument()
    {
        TestHttpServer server;
        server.setHandler(echoSong);
        qputenv(LyricsLoader::kOriginVariable, "https://lyrics.example.test:8443");
        LyricsLoader::Options options;
        options.connectionOverride.route(QStringLiteral("lyrics.example.test"), 8443,
                                         server.port());
        LyricsLoader loader(options);
        qunsetenv(LyricsLoader::kOriginVariable);
        const LyricsTrack track(QStringLiteral("C++ & Co"), QStringLiteral("Artist"),
                                QStringLiteral("Ünï/album?"), 183);
        Lookup lookup(loader, track);
        QVERIFY(lookup.finish());
        QCOMPARE(lookup.result,
                 LyricsResult(LyricsDocument("[00:01.00]" + track.title(), track.title(), false)));

        QCOMPARE(server.requestCount(), 1);
        const TestHttpServer::Request request = server.requests().first();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, QStringLiteral("/api/get"));
        QCOMPARE(request.query.queryItemValue("album_name", QUrl::FullyDecoded), track.album());
        QCOMPARE(request.headers.value("accept"), QByteArray("application/json"));
        QCOMPARE(request.headers.value("user-agent"), QByteArray("Velloway/1.6.0"));
    }

    void durationOutsideTheRangeSendsNothing_data()
    {
        columns<int, bool>("duration", "looksUp");
        row("0 s", 0, false);
        row("1 s", 1, true);
        row("3,600 s", 3'600, true);
        row("3,601 s", 3'601, false);
    }
    void durationOutsideTheRangeSendsNothing()
    {
        auto [duration, looksUp] = fetch<int, bool>("duration", "looksUp");
        TestHttpServer server;
        server.setHandler(echoSong);
        LyricsLoader loader(routedTo(server));
        Lookup lookup(loader, song("Song", duration));
        QCOMPARE(lookup.failure(), looksUp ? -1 : int(Kind::notFound));
        QCOMPARE(server.requestCount(), looksUp ? 1 : 0);
    }

    void repliesAreCheckedBeforeTheyBecomeADocument_data()
    {
        columns<TestHttpServer::Response, int>("response", "failure"); // failure -1: a document
        using Response = TestHttpServer::Response;
        row("404", Response::withStatus(404), int(Kind::notFound));
        row("429", Response::withStatus(429), int(Kind::rateLimited));
        row("500", Response::withStatus(500), int(Kind::badServerResponse));
        row("redirect elsewhere", Response::redirect(301, "https://elsewhere.example/api/get"),
            int(Kind::badServerResponse));
        // The body's own checks are the policy's; one row shows they apply.
        row("another song", jsonReply(replyFor("Other song")), int(Kind::notFound));

        // A reply padded with JSON white space to exactly the cap.
        QByteArray full = replyFor("Song");
        full.insert(1, QByteArray(LyricsPolicy::kMaxReplyBytes - full.size(), ' '));
        Response atCap = jsonReply(full);
        atCap.announceLength = false;
        row("unannounced body at the cap", atCap, -1);
        Response announced = jsonReply({});
        announced.fillerBytes = LyricsPolicy::kMaxReplyBytes + 1;
        row("announced length over the cap", announced, int(Kind::badServerResponse));
        Response growing = announced;
        growing.announceLength = false;
        row("body grows past the cap", growing, int(Kind::dataLengthExceedsMaximum));
        Response understated = growing;
        understated.announcedLength = 100;
        understated.announceLength = true;
        // Only the announced 100 filler bytes are read, and they are no JSON.
        row("body longer than announced", understated, int(Kind::decoding));
        Response dropped = jsonReply(replyFor("Song"));
        dropped.dropAfter = 20;
        row("connection dropped mid-body", dropped, int(Kind::transport));
    }
    void repliesAreCheckedBeforeTheyBecomeADocument()
    {
        auto [response, failure] = fetch<TestHttpServer::Response, int>("response", "failure");
        TestHttpServer server;
        server.route(QStringLiteral("/api/get"), response);
        LyricsLoader loader(routedTo(server));
        Lookup lookup(loader, song("Song"));
        QVERIFY2(lookup.failure() == failure, qPrintable(lookup.detail()));
        // Nothing is followed or retried.
        QCOMPARE(server.requestCount(), 1);
    }

    void cacheKeepsTwentySongsFirstInFirstOut()
    {
        TestHttpServer server;
        LyricsLoader loader(routedTo(server));
        // The requests the server has seen once `track` has lyrics; -1 without.
        auto requestsAfter = [&](const LyricsTrack &track) {
            Lookup lookup(loader, track);
            return lookup.failure() == -1 ? server.requestCount() : -1;
        };
        // A failed lookup is not kept.
        server.route(QStringLiteral("/api/get"), TestHttpServer::Response::withStatus(404));
        QCOMPARE(requestsAfter(song("Song 0")), -1);
        server.setHandler(echoSong);
        for (int i = 0; i < LyricsLoader::kCacheCapacity; ++i)
            QCOMPARE(requestsAfter(song(QStringLiteral("Song %1").arg(i))), i + 2);

        // A replay is served from memory and does not refresh the song's place.
        QCOMPARE(requestsAfter(song("Song 0")), 21);
        QCOMPARE(requestsAfter(song("Song 20")), 22);
        QCOMPARE(requestsAfter(song("Song 0")), 23);
        QCOMPARE(requestsAfter(song("Song 2")), 23);

        // The whole identity is the key: another playback id is another song.
        QCOMPARE(requestsAfter(LyricsTrack(QStringLiteral("Song 2"), QStringLiteral("Artist"),
                                           QStringLiteral("Album"), 180, std::nullopt,
                                           QStringLiteral("video-1"))),
                 24);
    }

    void stalledTransfersEnd_data()
    {
        // ending: "cancel", "idle" (the idle time-out) or "destroy" (the loader)
        columns<QString, bool>("ending", "beforeHead");
        row("cancelled before the head", "cancel", true);
        row("cancelled mid-body", "cancel", false);
        row("idle before the head", "idle", true);
        row("loader destroyed", "destroy", true);
    }
    void stalledTransfersEnd()
    {
        auto [ending, beforeHead] = fetch<QString, bool>("ending", "beforeHead");
        TestHttpServer server;
        TestHttpServer::Response stall = jsonReply(QByteArray(100'000, ' '));
        stall.stallBeforeHead = beforeHead;
        stall.stallAfter = beforeHead ? 0 : 10'000;
        server.route(QStringLiteral("/api/get"), stall);
        auto loader =
            std::make_unique<LyricsLoader>(routedTo(server, ending == "idle" ? 0.3s : 600s, 600s));
        Lookup stalled(*loader, song("Song"));
        Lookup queued(*loader, song("Queued"));
        if (ending == "idle") {
            QCOMPARE(stalled.failure(), int(Kind::transport));
            return;
        }
        if (beforeHead)
            QVERIFY(QTest::qWaitFor([&] { return server.requestCount() == 1; }, kWaitMs));
        else
            QVERIFY(server.waitForBodyBytes(10'000, kWaitMs));
        if (ending == "destroy") {
            QElapsedTimer timer;
            timer.start();
            loader.reset();
            QVERIFY(timer.elapsed() < kWaitMs); // not held until the 600 s time-outs
            QCoreApplication::processEvents();
            QVERIFY(!stalled.result && !queued.result);
        } else {
            // A lookup cancelled while it waits for its turn never reaches the network.
            queued.handle.cancel();
            stalled.handle.cancel();
            QCOMPARE(stalled.failure(), int(Kind::cancelled));
            QCOMPARE(queued.failure(), int(Kind::cancelled));
        }
        QCOMPARE(server.requestCount(), 1);
    }

    void completionIsDroppedWhenItsContextIsGone()
    {
        TestHttpServer server;
        server.setHandler(echoSong);
        LyricsLoader loader(routedTo(server));
        bool called = false;
        auto context = std::make_unique<QObject>();
        CancelHandle handle =
            loader.lyrics(song("Song"), context.get(), [&](LyricsResult) { called = true; });
        context.reset();
        QVERIFY(QTest::qWaitFor([&] { return server.requestCount() == 1; }, kWaitMs));
        // A later lookup on the same worker completes only after the first one.
        Lookup later(loader, song("Later"));
        QVERIFY(later.finish());
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(LyricsLoaderTest)
#include "tst_lyricsloader.moc"
