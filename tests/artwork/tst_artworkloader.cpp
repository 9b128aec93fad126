#include "artwork/ArtworkCache.h"
#include "artwork/ArtworkLoader.h"
#include "support/AwaitCompletion.h"
#include "support/TestHttpServer.h"
#include "support/TestImages.h"
#include "support/TestRows.h"

#include <QElapsedTimer>
#include <QTest>

Q_DECLARE_METATYPE(TestHttpServer::Response)

namespace {

const QString kSpotify = QStringLiteral("https://i.scdn.co/image/") + QString(40, u'a');
const QString kSpotifyOther = QStringLiteral("https://i.scdn.co/image/") + QString(40, u'b');
const QString kYouTube = QStringLiteral("https://i.ytimg.com/vi/first/hq.jpg");
const QString kYouTubeOther = QStringLiteral("https://lh3.ggpht.com/other=w544");

ArtworkLoader::Options routedTo(const TestHttpServer &server, double idle = 8)
{
    ArtworkLoader::Options options;
    for (const char *host : {"i.scdn.co", "i.ytimg.com", "lh3.ggpht.com", "example.com"})
        options.connection.route(QString::fromLatin1(host), 443, server.port());
    options.idleTimeout = Seconds(idle);
    return options;
}

TestHttpServer::Response image(const QByteArray &bytes, const QByteArray &type = "image/jpeg")
{
    return TestHttpServer::Response::ok(type, bytes);
}

ArtworkResult load(ArtworkLoader &loader, const QString &url)
{
    CancelHandle handle;
    return awaitCompletion<ArtworkResult>(
        [&](auto done) { handle = loader.data(QUrl(url), done); });
}

} // namespace

class ArtworkLoaderTest : public QObject
{
    Q_OBJECT

private slots:
    void loadsAnAllowedCoverOnceThenFromTheCache()
    {
        TestHttpServer server;
        const QByteArray jpeg = TestImages::encode(640, 640, "jpeg");
        server.route("/image/" + QString(40, u'a'), image(jpeg));
        ArtworkLoader loader(routedTo(server));

        // Upper-case digits are the same cover.
        auto result = load(loader, kSpotify.toUpper().replace("HTTPS://I.SCDN.CO/IMAGE",
                                                              "https://i.scdn.co/image"));
        QVERIFY(result.isSuccess());
        QCOMPARE(result.data, jpeg);
        QCOMPARE(server.requests().at(0).headers.value("accept"),
                 "image/jpeg, image/png, image/webp");

        result = load(loader, kSpotify);
        QVERIFY(result.isSuccess());
        QCOMPARE(result.data, jpeg);
        QCOMPARE(server.requestCount(), 1);
    }

    void hostileServers_data()
    {
        using R = TestHttpServer::Response;
        // expected: -1 for success
        columns<QString, TestHttpServer::Response, int, int>("start", "reply", "expected",
                                                             "requests");
        const int bad = int(ArtworkError::badServerResponse);
        const int decode = int(ArtworkError::cannotDecodeContentData);
        const int refused = int(ArtworkError::unsupportedURL);
        const QByteArray png = TestImages::encode(300, 300, "png");

        row("plain http start", QString(kSpotify).remove(4, 1), image(png), refused, 0);
        row("start on another host", "https://example.com/cover.jpg", image(png), refused, 0);
        row("start without a path", "https://i.ytimg.com/", image(png), refused, 0);
        row("webp", kYouTube, image(TestImages::encode(90, 60, "webp"), "image/webp"), -1, 1);
        R notFound = image(png, "image/png");
        notFound.status = 404;
        row("404 with an image", kSpotify, notFound, bad, 1);
        R growing = image({});
        growing.fillerBytes = 3'000'000;
        growing.announceLength = false;
        row("grows past 2 MiB unannounced", kSpotify, growing,
            int(ArtworkError::dataLengthExceedsMaximum), 1);
        row("empty", kSpotify, image({}), int(ArtworkError::zeroByteResource), 1);
        row("bomb 5000x3000", kSpotify, image(TestImages::jpegClaiming(5000, 3000)), decode, 1);
        R dropped = image(png, "image/png");
        dropped.dropAfter = 100;
        row("dropped mid-body", kSpotify, dropped, int(ArtworkError::transport), 1);

        row("spotify to spotify", kSpotify, R::redirect(302, kSpotifyOther.toLatin1()), -1, 2);
        row("youtube to youtube", kYouTube, R::redirect(301, kYouTubeOther.toLatin1()), -1, 2);
        row("spotify to youtube", kSpotify, R::redirect(302, kYouTubeOther.toLatin1()), bad, 1);
        row("youtube to spotify", kYouTube, R::redirect(302, kSpotifyOther.toLatin1()), bad, 1);
        row("to another host", kYouTube, R::redirect(302, "https://example.com/cover.jpg"), bad, 1);
        row("to plain http", kYouTube, R::redirect(302, "http://lh3.ggpht.com/other=w544"), bad, 1);
        row("redirect loop", kYouTube, R::redirect(302, kYouTube.toLatin1()), bad,
            ArtworkLoader::kMaxRedirects + 1);
    }

    void hostileServers()
    {
        auto [start, reply, expected, requests] =
            fetch<QString, TestHttpServer::Response, int, int>("start", "reply", "expected",
                                                               "requests");
        TestHttpServer server;
        const QByteArray png = TestImages::encode(200, 100, "png");
        server.route(QUrl(start).path(), reply);
        server.route(QUrl(kSpotifyOther).path(), image(png, "image/png"));
        server.route(QUrl(kYouTubeOther).path(), image(png, "image/png"));
        server.route("/cover.jpg", image(png, "image/png"));
        ArtworkLoader loader(routedTo(server));

        const auto result = load(loader, start);
        if (expected < 0) {
            QVERIFY2(result.isSuccess(), qPrintable(result.errorText));
            QCOMPARE(loader.cachedCount(), 1);
        } else {
            QCOMPARE(int(result.error.value_or(ArtworkError(-1))), expected);
            QVERIFY(result.data.isEmpty());
            QCOMPARE(loader.cachedCount(), 0);
        }
        QCOMPARE(server.requestCount(), requests);
        // Only the first request asks for images; a followed redirect is bare.
        if (requests > 1)
            QVERIFY(!server.requests().at(1).headers.value("accept").contains("image/webp"));
    }

    void stalledTransfersEnd()
    {
        TestHttpServer server;
        auto stall = image(QByteArray(50'000, 'x'));
        stall.stallAfter = 20'000;
        server.route(QUrl(kSpotify).path(), stall);
        server.route(QUrl(kSpotifyOther).path(), image(TestImages::encode(10, 10, "jpeg")));

        {
            // Idle time-out.
            ArtworkLoader loader(routedTo(server, 0.3));
            const auto result = load(loader, kSpotify);
            QCOMPARE(result.error, ArtworkError::transport);
            QCOMPARE(result.transportError, HttpError::timedOut);
        }
        {
            // Cancelled: no completion, and the worker is free for the next.
            ArtworkLoader loader(routedTo(server));
            bool called = false;
            CancelHandle handle =
                loader.data(QUrl(kSpotify), [&](ArtworkResult) { called = true; });
            QVERIFY(server.waitForBodyBytes(40'000, 10'000));
            handle.cancel();
            const auto next = load(loader, kSpotifyOther);
            QVERIFY(next.isSuccess());
            QVERIFY(!called);
        }
        {
            // Destroying the loader mid-transfer returns promptly.
            auto loader = std::make_unique<ArtworkLoader>(routedTo(server));
            CancelHandle handle = loader->data(QUrl(kSpotify), [](ArtworkResult) {});
            QVERIFY(server.waitForBodyBytes(60'000, 10'000));
            QElapsedTimer timer;
            timer.start();
            loader.reset();
            QVERIFY(timer.elapsed() < 5000);
        }
    }

    void cacheKeepsTheMostRecentWithinItsBudget()
    {
        ArtworkCache cache(24, 8'388'608);
        for (int i = 0; i < 25; ++i)
            cache.insert(QString::number(i), QByteArray(10, 'a'));
        QCOMPARE(cache.count(), 24);
        QVERIFY(!cache.find("0"));
        QVERIFY(cache.find("1")); // now the most recent
        for (int i = 0; i < 4; ++i)
            cache.insert("big" + QString::number(i), QByteArray(2'097'152, 'b'));
        QVERIFY(cache.totalBytes() <= 8'388'608);
        QVERIFY(cache.find("big3"));
        QVERIFY(!cache.find("2")); // least recently used went first
        cache.insert("too big", QByteArray(8'388'609, 'c'));
        QVERIFY(!cache.find("too big"));
    }
};

QTEST_GUILESS_MAIN(ArtworkLoaderTest)
#include "tst_artworkloader.moc"
