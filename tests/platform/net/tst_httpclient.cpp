#include "platform/net/HttpClient.h"
#include "support/TestHttpServer.h"
#include "support/TestRows.h"

#include <QTest>

#include <future>

Q_DECLARE_METATYPE(TestHttpServer::Response)
Q_DECLARE_METATYPE(HttpError)

namespace {

const QString kHost = QStringLiteral("service.test");

struct Fixture
{
    TestHttpServer server;
    std::atomic<bool> cancelled{false};
    HttpClient client{[this] {
        HttpConnectionOverride route;
        route.route(kHost, 443, server.port());
        return route;
    }()};

    HttpRequest request(const QString &path, qint64 cap = 65'536) const
    {
        HttpRequest r;
        r.url = QUrl(QStringLiteral("https://") + kHost + path);
        r.maxBodyBytes = cap;
        r.cancelCheckBytes = 4096;
        r.idleTimeout = Seconds(5);
        r.totalTimeout = Seconds(10);
        return r;
    }
};

TestHttpServer::Response filler(qint64 bytes, bool announce)
{
    auto response = TestHttpServer::Response::ok("image/png", {});
    response.fillerBytes = bytes;
    response.announceLength = announce;
    return response;
}

} // namespace

class HttpClientTest : public QObject
{
    Q_OBJECT

private slots:
    void headArrivesBeforeTheBodyAndRequestsAreAnonymous()
    {
        Fixture f;
        auto reply = TestHttpServer::Response::ok("Application/JSON; charset=utf-8", "{\"a\":1}");
        f.server.route("/api/get", reply);
        HttpRequest request = f.request("/api/get?track_name=Caf%C3%A9&duration=180");
        request.headers = {{"Accept", "application/json"}, {"User-Agent", "Velloway/1.6.0"}};
        std::optional<HttpResponseHead> seen;
        const HttpResponse response =
            f.client.get(request, f.cancelled, [&](const HttpResponseHead &head) {
                seen = head;
                return true;
            });
        QVERIFY2(response.isSuccess(), qPrintable(response.errorText));
        QVERIFY(seen);
        QCOMPARE(seen->status, 200);
        QCOMPARE(seen->mediaType, "application/json");
        QCOMPARE(seen->expectedLength, 7);
        QCOMPARE(seen->url, request.url);
        QCOMPARE(response.body, "{\"a\":1}");

        const auto requests = f.server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].method, "GET");
        QCOMPARE(requests[0].path, "/api/get");
        QCOMPARE(requests[0].query.queryItemValue("track_name", QUrl::FullyDecoded), "Caf\u00e9");
        QCOMPARE(requests[0].headers.value("accept"), "application/json");
        QCOMPARE(requests[0].headers.value("user-agent"), "Velloway/1.6.0");
        QVERIFY(!requests[0].headers.contains("cookie"));
        QVERIFY(!requests[0].headers.contains("authorization"));
        QVERIFY(!requests[0].headers.contains("accept-encoding"));
    }

    void onlyHttpsOrAnExplicitTestRouteIsFetched_data()
    {
        QTest::addColumn<QString>("url");
        row("plain http", "http://127.0.0.1:PORT/x");
        row("other scheme", "ftp://service.test/x");
        row("no host", "https:///x");
    }

    void onlyHttpsOrAnExplicitTestRouteIsFetched()
    {
        QFETCH(QString, url);
        Fixture f;
        HttpRequest request = f.request({});
        request.url = QUrl(url.replace("PORT", QString::number(f.server.port())));
        request.idleTimeout = Seconds(1);
        const HttpResponse response = f.client.get(request, f.cancelled);
        QVERIFY(!response.isSuccess());
        QCOMPARE(f.server.requestCount(), 0);
        if (request.url.scheme() != "https")
            QCOMPARE(response.error, HttpError::unsupportedURL);
    }

    void redirectsAreReturnedNotFollowed()
    {
        Fixture f;
        f.server.route("/a", TestHttpServer::Response::redirect(302, "/b?size=2"));
        f.server.route("/b", TestHttpServer::Response::ok("image/png", "PNG"));
        const HttpResponse response = f.client.get(f.request("/a"), f.cancelled);
        QVERIFY(response.isSuccess());
        QCOMPARE(response.head->status, 302);
        QCOMPARE(response.head->location, QUrl("https://service.test/b?size=2"));
        QCOMPARE(f.server.requestCount(), 1);
    }

    void hostileServersEndInTheirError_data()
    {
        columns<TestHttpServer::Response, double, double, HttpError, bool>("reply", "idle", "total",
                                                                           "error", "hasHead");
        row("exactly the cap", filler(65'536, true), 5.0, 10.0, HttpError::none, true);
        row("one byte over, announced", filler(65'537, true), 5.0, 10.0, HttpError::bodyTooLarge,
            true);
        row("one byte over, unannounced", filler(65'537, false), 5.0, 10.0, HttpError::bodyTooLarge,
            true);
        row("megabytes, unannounced", filler(3'000'000, false), 5.0, 10.0, HttpError::bodyTooLarge,
            true);
        auto dropped = filler(60'000, true);
        dropped.dropAfter = 5000;
        row("dropped mid-body", dropped, 5.0, 10.0, HttpError::connectionLost, true);
        auto stalled = filler(60'000, true);
        stalled.stallAfter = 1000;
        row("idle mid-body", stalled, 0.3, 30.0, HttpError::timedOut, true);
        row("whole transfer too long", stalled, 30.0, 0.4, HttpError::timedOut, true);
        stalled.stallBeforeHead = true;
        row("idle before the head", stalled, 0.3, 30.0, HttpError::timedOut, false);
        // Over the 10 MB the caller's head check allows: refused before the body.
        row("head refused", filler(20'000'000, true), 5.0, 10.0, HttpError::headRejected, true);
    }

    void hostileServersEndInTheirError()
    {
        auto [reply, idle, total, error, hasHead] =
            fetch<TestHttpServer::Response, double, double, HttpError, bool>(
                "reply", "idle", "total", "error", "hasHead");
        Fixture f;
        f.server.route("/x", reply);
        HttpRequest request = f.request("/x");
        request.idleTimeout = Seconds(idle);
        request.totalTimeout = Seconds(total);
        const HttpResponse response =
            f.client.get(request, f.cancelled, [](const HttpResponseHead &head) {
                return head.expectedLength <= 10'000'000;
            });
        QCOMPARE(response.error, error);
        QCOMPARE(response.head.has_value(), hasHead);
        QVERIFY(response.body.size() <= (error == HttpError::headRejected ? 0 : 65'536));
    }

    void cancellationEndsTheTransfer()
    {
        Fixture f;
        f.cancelled = true;
        QCOMPARE(f.client.get(f.request("/x"), f.cancelled).error, HttpError::cancelled);
        QCOMPARE(f.server.requestCount(), 0);

        // While the server stalls mid-body: noticed after the next wait.
        auto stalling = filler(1'000'000, true);
        stalling.stallAfter = 10'000;
        f.server.route("/stall", stalling);
        f.cancelled = false;
        auto pending = std::async(std::launch::async, [&] {
            return f.client.get(f.request("/stall", 2'000'000), f.cancelled);
        });
        QVERIFY(f.server.waitForBodyBytes(10'000, 10'000));
        f.cancelled = true;
        QCOMPARE(pending.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        QCOMPARE(pending.get().error, HttpError::cancelled);

        // While the body streams: stops within one check interval.
        f.server.route("/fast", filler(1'000'000, true));
        f.cancelled = false;
        const HttpResponse result =
            f.client.get(f.request("/fast", 2'000'000), f.cancelled, [&](const HttpResponseHead &) {
                f.cancelled = true;
                return true;
            });
        QCOMPARE(result.error, HttpError::cancelled);
        QVERIFY(result.body.size() <= 4096);
    }

    void proxyVariablesAreIgnored()
    {
        Fixture f;
        TestHttpServer proxy;
        const QByteArray proxyUrl = "http://127.0.0.1:" + QByteArray::number(proxy.port());
        for (const char *name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "ALL_PROXY"})
            qputenv(name, proxyUrl);
        f.server.route("/x", TestHttpServer::Response::ok("image/png", "data"));
        const HttpResponse response = f.client.get(f.request("/x"), f.cancelled);
        for (const char *name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "ALL_PROXY"})
            qunsetenv(name);
        QVERIFY(response.isSuccess());
        QCOMPARE(proxy.requestCount(), 0);
        QCOMPARE(f.server.requestCount(), 1);
    }
};

QTEST_GUILESS_MAIN(HttpClientTest)
#include "tst_httpclient.moc"
