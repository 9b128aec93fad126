#include "lyrics/LyricsLoader.h"
#include "lyrics/LyricsPolicy.h"
#include "support/TestHttpServer.h"

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

// Accepts the connection and the request, then never answers.
TestHttpServer::Response stallBeforeHead()
{
    TestHttpServer::Response stall = jsonReply({});
    stall.stallBeforeHead = true;
    stall.stallAfter = 0;
    return stall;
}

LyricsLoader::Options routedTo(const TestHttpServer &server, Seconds idle = 12s,
                               Seconds total = 20s)
{
    LyricsLoader::Options options;
    options.connectionOverride.route(QStringLiteral("lrclib.net"), 443, server.port());
    options.idleTimeout = idle;
    options.totalTimeout = total;
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
    bool isDocument() const { return result && std::holds_alternative<LyricsDocument>(*result); }
    // -1 for a document or no result yet, so a mismatch prints plainly.
    int failure() const
    {
        if (!result || isDocument())
            return -1;
        return int(std::get<LyricsFailure>(*result).kind);
    }
    QString detail() const
    {
        return result && !isDocument() ? std::get<LyricsFailure>(*result).detail : QString();
    }
};

} // namespace

class LyricsLoaderTest : public QObject
{
    Q_OBJECT

private slots:
    void sendsOneAnonymousRequestAndBuildsTheDocument()
    {
        TestHttpServer server;
        server.setHandler(echoSong);
        LyricsLoader loader(routedTo(server));
        const LyricsTrack track(QStringLiteral("C++ & Co"), QStringLiteral("Artist"),
                                QStringLiteral("Ünï/album?"), 183);
        Lookup lookup(loader, track);
        QVERIFY(lookup.finish());
        QVERIFY(lookup.isDocument());
        const LyricsDocument &document = std::get<LyricsDocument>(*lookup.result);
        QCOMPARE(document.lines().size(), 1);
        QCOMPARE(document.lines().first().text, track.title());

        QCOMPARE(server.requestCount(), 1);
        const TestHttpServer::Request request = server.requests().first();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, QStringLiteral("/api/get"));
        const auto items = request.query.queryItems(QUrl::FullyDecoded);
        QCOMPARE(items.size(), 4);
        QCOMPARE(items[0], qMakePair(QStringLiteral("track_name"), track.title()));
        QCOMPARE(items[1], qMakePair(QStringLiteral("artist_name"), track.artist()));
        QCOMPARE(items[2], qMakePair(QStringLiteral("album_name"), track.album()));
        QCOMPARE(items[3], qMakePair(QStringLiteral("duration"), QStringLiteral("183")));
        QCOMPARE(request.headers.value("accept"), QByteArray("application/json"));
        QCOMPARE(request.headers.value("user-agent"), QByteArray("Velloway/1.6.0"));
        QVERIFY(!request.headers.contains("cookie"));
        QVERIFY(!request.headers.contains("authorization"));
    }

    void durationOutsideTheRangeSendsNothing_data()
    {
        QTest::addColumn<int>("duration");
        QTest::addColumn<bool>("looksUp");
        QTest::newRow("0 s") << 0 << false;
        QTest::newRow("1 s") << 1 << true;
        QTest::newRow("3,600 s") << 3'600 << true;
        QTest::newRow("3,601 s") << 3'601 << false;
    }
    void durationOutsideTheRangeSendsNothing()
    {
        QFETCH(int, duration);
        QFETCH(bool, looksUp);
        TestHttpServer server;
        server.setHandler(echoSong);
        LyricsLoader loader(routedTo(server));
        Lookup lookup(loader, song(QStringLiteral("Song"), duration));
        QVERIFY(lookup.finish());
        QCOMPARE(lookup.isDocument(), looksUp);
        QCOMPARE(server.requestCount(), looksUp ? 1 : 0);
        if (!looksUp)
            QCOMPARE(lookup.failure(), int(Kind::notFound));
    }

    void hostileRepliesGiveNoDocument_data()
    {
        QTest::addColumn<TestHttpServer::Response>("response");
        QTest::addColumn<int>("failure");

        QTest::newRow("404") << TestHttpServer::Response::withStatus(404) << int(Kind::notFound);
        QTest::newRow("429") << TestHttpServer::Response::withStatus(429) << int(Kind::rateLimited);
        QTest::newRow("500") << TestHttpServer::Response::withStatus(500)
                             << int(Kind::badServerResponse);
        QTest::newRow("redirect elsewhere")
            << TestHttpServer::Response::redirect(301, "https://elsewhere.example/api/get")
            << int(Kind::badServerResponse);
        QTest::newRow("HTML error page")
            << TestHttpServer::Response::ok("text/html",
                                            "<html><body>Service unavailable</body></html>")
            << int(Kind::badServerResponse);

        TestHttpServer::Response announced = jsonReply({});
        announced.fillerBytes = LyricsPolicy::kMaxReplyBytes + 1;
        QTest::newRow("announced length over the cap") << announced << int(Kind::badServerResponse);
        TestHttpServer::Response growing = announced;
        growing.announceLength = false;
        QTest::newRow("body grows past the cap") << growing << int(Kind::dataLengthExceedsMaximum);
        TestHttpServer::Response understated = growing;
        understated.announcedLength = 100;
        understated.announceLength = true;
        // Only the announced 100 filler bytes are read, and they are no JSON.
        QTest::newRow("body longer than announced") << understated << int(Kind::decoding);
        TestHttpServer::Response dropped = jsonReply(replyFor("Song"));
        dropped.dropAfter = 20;
        QTest::newRow("connection dropped mid-body") << dropped << int(Kind::transport);
        QTest::newRow("empty body") << jsonReply({}) << int(Kind::dataLengthExceedsMaximum);
        QTest::newRow("malformed JSON")
            << jsonReply(R"({"trackName": "Song", )") << int(Kind::decoding);
        QTest::newRow("not UTF-8")
            << jsonReply("{\"trackName\":\"S\xf6ng\"}") << int(Kind::decoding);
        QTest::newRow("wrongly typed key")
            << jsonReply(R"({"trackName":"Song","artistName":"Artist","duration":"180",)"
                         R"("instrumental":false})")
            << int(Kind::decoding);
        QTest::newRow("another song") << jsonReply(replyFor("Other song")) << int(Kind::notFound);
    }
    void hostileRepliesGiveNoDocument()
    {
        QFETCH(TestHttpServer::Response, response);
        QFETCH(int, failure);
        TestHttpServer server;
        server.route(QStringLiteral("/api/get"), response);
        LyricsLoader loader(routedTo(server));
        Lookup lookup(loader, song(QStringLiteral("Song")));
        QVERIFY(lookup.finish());
        QVERIFY2(lookup.failure() == failure, qPrintable(lookup.detail()));
        // Nothing is followed or retried.
        QCOMPARE(server.requestCount(), 1);
    }

    void acceptedReplies_data()
    {
        QTest::addColumn<TestHttpServer::Response>("response");
        QTest::newRow("JSON with a character set")
            << TestHttpServer::Response::ok("application/json; charset=utf-8", replyFor("Song"));
        // A reply padded with JSON white space to exactly the cap.
        QByteArray full = replyFor("Song");
        full.insert(1, QByteArray(LyricsPolicy::kMaxReplyBytes - full.size(), ' '));
        QTest::newRow("announced body at the cap") << jsonReply(full);
        TestHttpServer::Response unannounced = jsonReply(full);
        unannounced.announceLength = false;
        QTest::newRow("unannounced body at the cap") << unannounced;
    }
    void acceptedReplies()
    {
        QFETCH(TestHttpServer::Response, response);
        TestHttpServer server;
        server.route(QStringLiteral("/api/get"), response);
        LyricsLoader loader(routedTo(server));
        Lookup lookup(loader, song(QStringLiteral("Song")));
        QVERIFY(lookup.finish());
        QVERIFY2(lookup.isDocument(), qPrintable(lookup.detail()));
    }

    void cacheKeepsTwentySongsFirstInFirstOut()
    {
        TestHttpServer server;
        server.setHandler(echoSong);
        LyricsLoader loader(routedTo(server));
        auto lookUp = [&](const LyricsTrack &track) {
            Lookup lookup(loader, track);
            return lookup.finish() && lookup.isDocument();
        };
        for (int i = 0; i < LyricsLoader::kCacheCapacity; ++i)
            QVERIFY(lookUp(song(QStringLiteral("Song %1").arg(i))));
        QCOMPARE(server.requestCount(), 20);

        // A replay is served from memory and does not refresh the song's place.
        QVERIFY(lookUp(song(QStringLiteral("Song 0"))));
        QCOMPARE(server.requestCount(), 20);
        QVERIFY(lookUp(song(QStringLiteral("Song 20"))));
        QCOMPARE(server.requestCount(), 21);
        QVERIFY(lookUp(song(QStringLiteral("Song 0"))));
        QCOMPARE(server.requestCount(), 22);
        QVERIFY(lookUp(song(QStringLiteral("Song 2"))));
        QCOMPARE(server.requestCount(), 22);

        // The whole identity is the key: another playback id is another song.
        QVERIFY(lookUp(LyricsTrack(QStringLiteral("Song 2"), QStringLiteral("Artist"),
                                   QStringLiteral("Album"), 180, std::nullopt,
                                   QStringLiteral("video-1"))));
        QCOMPARE(server.requestCount(), 23);
    }

    void failedLookupsAreNotCached()
    {
        TestHttpServer server;
        server.route(QStringLiteral("/api/get"), TestHttpServer::Response::withStatus(404));
        LyricsLoader loader(routedTo(server));
        Lookup missing(loader, song(QStringLiteral("Song")));
        QVERIFY(missing.finish());
        QCOMPARE(missing.failure(), int(Kind::notFound));

        server.setHandler(echoSong);
        Lookup found(loader, song(QStringLiteral("Song")));
        QVERIFY(found.finish());
        QVERIFY(found.isDocument());
        QCOMPARE(server.requestCount(), 2);
    }

    void cancellationEndsAStalledTransfer_data()
    {
        QTest::addColumn<bool>("beforeHead");
        QTest::newRow("before the head") << true;
        QTest::newRow("mid-body") << false;
    }
    void cancellationEndsAStalledTransfer()
    {
        QFETCH(bool, beforeHead);
        TestHttpServer server;
        TestHttpServer::Response stall = jsonReply(QByteArray(100'000, ' '));
        stall.stallBeforeHead = beforeHead;
        stall.stallAfter = beforeHead ? 0 : 10'000;
        server.route(QStringLiteral("/api/get"), stall);
        LyricsLoader loader(routedTo(server, 600s, 600s));

        Lookup stalled(loader, song(QStringLiteral("Song")));
        Lookup queued(loader, song(QStringLiteral("Queued")));
        if (beforeHead)
            QVERIFY(QTest::qWaitFor([&] { return server.requestCount() == 1; }, kWaitMs));
        else
            QVERIFY(server.waitForBodyBytes(10'000, kWaitMs));
        // A lookup cancelled while it waits for its turn never reaches the network.
        queued.handle.cancel();
        stalled.handle.cancel();
        QVERIFY(stalled.finish());
        QCOMPARE(stalled.failure(), int(Kind::cancelled));
        QVERIFY(queued.finish());
        QCOMPARE(queued.failure(), int(Kind::cancelled));
        QCOMPARE(server.requestCount(), 1);
    }

    void idleTimeoutEndsAStalledTransfer()
    {
        TestHttpServer server;
        server.route(QStringLiteral("/api/get"), stallBeforeHead());
        LyricsLoader loader(routedTo(server, 0.3s, 600s));
        Lookup lookup(loader, song(QStringLiteral("Song")));
        QVERIFY(lookup.finish());
        QCOMPARE(lookup.failure(), int(Kind::transport));
    }

    void destroyingTheLoaderEndsItsTransfer()
    {
        TestHttpServer server;
        server.route(QStringLiteral("/api/get"), stallBeforeHead());
        auto loader = std::make_unique<LyricsLoader>(routedTo(server, 600s, 600s));
        Lookup lookup(*loader, song(QStringLiteral("Song")));
        Lookup waiting(*loader, song(QStringLiteral("Other")));
        QVERIFY(QTest::qWaitFor([&] { return server.requestCount() == 1; }, kWaitMs));

        QElapsedTimer timer;
        timer.start();
        loader.reset();
        QVERIFY(timer.elapsed() < kWaitMs); // not held until the 600 s time-outs
        QCoreApplication::processEvents();
        QVERIFY(!lookup.result);
        QVERIFY(!waiting.result);
        QCOMPARE(server.requestCount(), 1);
    }

    void completionIsDroppedWhenItsContextIsGone()
    {
        TestHttpServer server;
        server.setHandler(echoSong);
        LyricsLoader loader(routedTo(server));
        bool called = false;
        auto context = std::make_unique<QObject>();
        CancelHandle handle = loader.lyrics(song(QStringLiteral("Song")), context.get(),
                                            [&](LyricsResult) { called = true; });
        context.reset();
        QVERIFY(QTest::qWaitFor([&] { return server.requestCount() == 1; }, kWaitMs));
        // A later lookup on the same worker completes only after the first one.
        Lookup later(loader, song(QStringLiteral("Later")));
        QVERIFY(later.finish());
        QVERIFY(!called);
    }

    void originComesFromTheEnvironment()
    {
        TestHttpServer server;
        server.setHandler(echoSong);
        qputenv(LyricsLoader::kOriginVariable, "https://lyrics.example.test:8443");
        LyricsLoader::Options options;
        options.connectionOverride.route(QStringLiteral("lyrics.example.test"), 8443,
                                         server.port());
        LyricsLoader loader(options);
        qunsetenv(LyricsLoader::kOriginVariable);
        QCOMPARE(loader.origin(), QUrl(QStringLiteral("https://lyrics.example.test:8443")));
        Lookup lookup(loader, song(QStringLiteral("Song")));
        QVERIFY(lookup.finish());
        QVERIFY(lookup.isDocument());
        QCOMPARE(server.requestCount(), 1);
    }
};

QTEST_GUILESS_MAIN(LyricsLoaderTest)
#include "tst_lyricsloader.moc"
