#include "artwork/AppleMusicArtworkPolicy.h"
#include "artwork/MusicArtworkPolicy.h"
#include "artwork/SpotifyArtworkPolicy.h"
#include "artwork/YouTubeArtworkPolicy.h"
#include "support/TestRows.h"

#include <QTest>

namespace {
const QString kId = QStringLiteral("ab67616d0000b273") + QString(24, u'0'); // 40 digits
}

class ArtworkPolicyTest : public QObject
{
    Q_OBJECT

private slots:
    void spotifyAddresses_data()
    {
        columns<QString, QString>("address", "canonical"); // an empty canonical: refused
        const QString canonical = "https://i.scdn.co/image/" + kId;
        row("canonical", canonical, canonical);
        row("upper-case digits", "https://i.scdn.co/image/" + kId.toUpper(), canonical);
        row("capital scheme and host", "HTTPS://I.SCDN.CO/image/" + kId, canonical);
        row("port 443", "https://i.scdn.co:443/image/" + kId, canonical);
        row("39 digits", "https://i.scdn.co/image/" + kId.left(39), "");
        row("41 digits", "https://i.scdn.co/image/" + kId + "0", "");
        row("non-hex digit", "https://i.scdn.co/image/" + kId.left(39) + "g", "");
        row("encoded non-hex", "https://i.scdn.co/image/" + kId.left(39) + "%67", "");
        row("query", "https://i.scdn.co/image/" + kId + "?size=640", "");
        row("empty query", "https://i.scdn.co/image/" + kId + "?", "");
        row("fragment", "https://i.scdn.co/image/" + kId + "#x", "");
        row("port 8443", "https://i.scdn.co:8443/image/" + kId, "");
        row("user", "https://me@i.scdn.co/image/" + kId, "");
        row("empty user", "https://@i.scdn.co/image/" + kId, "");
        row("plain http", "http://i.scdn.co/image/" + kId, "");
        row("other host", "https://i.scdn.co.evil.com/image/" + kId, "");
        row("other path", "https://i.scdn.co/images/" + kId, "");
        row("nested path", "https://i.scdn.co/image/x/" + kId.left(38), "");
        row("youtube host", "https://i.ytimg.com/image/" + kId, "");
        row("not an address", "i.scdn.co/image/" + kId, "");
        row("empty", "", "");
    }

    void spotifyAddresses()
    {
        auto [address, canonical] = fetch<QString, QString>("address", "canonical");
        const auto result = SpotifyArtworkPolicy::validatedURL(address);
        QCOMPARE(result.has_value(), !canonical.isEmpty());
        if (result)
            QCOMPARE(result->toString(QUrl::FullyEncoded), canonical);
    }

    void youtubeAddresses_data()
    {
        columns<QString, bool>("address", "accepted");
        const QString longPath = "/" + QString(2100, u'a');
        row("size query", "https://lh3.googleusercontent.com/abc=w544-h544", true);
        row("query allowed", "https://i.ytimg.com/vi/xyz/hq.jpg?sqp=-oaymw", true);
        for (const char *host : {"yt3.googleusercontent.com", "lh3.ggpht.com", "yt3.ggpht.com"})
            row(host, QString("https://%1/a").arg(host), true);
        row("port 443", "https://i.ytimg.com:443/vi/x.jpg", true);
        row("2048 bytes", "https://i.ytimg.com" + longPath.left(2048 - 19), true);
        row("2049 bytes", "https://i.ytimg.com" + longPath.left(2049 - 19), false);
        row("capital scheme", "HTTPS://i.ytimg.com/vi/x.jpg", false);
        row("capital host", "https://I.YTIMG.COM/vi/x.jpg", false);
        row("path /", "https://i.ytimg.com/", false);
        row("no path", "https://i.ytimg.com", false);
        row("fragment", "https://i.ytimg.com/vi/x.jpg#f", false);
        row("user", "https://u@i.ytimg.com/vi/x.jpg", false);
        row("port 8443", "https://i.ytimg.com:8443/vi/x.jpg", false);
        row("plain http", "http://i.ytimg.com/vi/x.jpg", false);
        row("other host", "https://img.youtube.com/vi/x.jpg", false);
        row("suffix host", "https://i.ytimg.com.evil.com/vi/x.jpg", false);
        row("spotify host", "https://i.scdn.co/image/" + kId, false);
    }

    void youtubeAddresses()
    {
        auto [address, accepted] = fetch<QString, bool>("address", "accepted");
        const auto result = YouTubeArtworkPolicy::validatedURL(address);
        QCOMPARE(result.has_value(), accepted);
        if (result)
            QCOMPARE(*result, QUrl(address));
    }

    void appleMusicAddresses_data()
    {
        // sized: the address asked for at 152 pixels; empty when refused
        columns<QString, QString>("address", "sized");
        const QString base = "https://is1-ssl.mzstatic.com/image/thumb/Music/a/";
        row("template", base + "{w}x{h}bb.jpg", base + "152x152bb.jpg");
        row("template with crop and format", base + "{w}x{h}{c}.{f}", base + "152x152bb.jpg");
        row("template percent-encoded", base + "%7Bw%7Dx%7Bh%7Dbb.jpg", base + "152x152bb.jpg");
        row("a size already there", base + "600x600bb.webp", base + "152x152bb.webp");
        row("no size at all", base + "cover.jpg", base + "cover.jpg");
        row("an unknown field left", base + "{w}x{h}{q}.jpg", QString());
        row("another artwork host", "https://is5.mzstatic.com/x/{w}x{h}.png",
            "https://is5.mzstatic.com/x/152x152.png");
        row("the bare domain", "https://mzstatic.com/x/1x1.jpg", QString());
        row("a deeper host", "https://a.b.mzstatic.com/x/1x1.jpg", QString());
        row("a look-alike host", "https://is1.mzstatic.com.evil.example/x/1x1.jpg", QString());
        row("capital host", "https://IS1.mzstatic.com/x/1x1.jpg", QString());
        row("plain http", "http://is1.mzstatic.com/x/1x1.jpg", QString());
        row("port 8443", "https://is1.mzstatic.com:8443/x/1x1.jpg", QString());
        row("user", "https://u@is1.mzstatic.com/x/1x1.jpg", QString());
        row("query", "https://is1.mzstatic.com/x/1x1.jpg?a=b", QString());
        row("over 2048 bytes", base + QString(2048, u'a') + "/{w}x{h}.jpg", QString());
        row("youtube host", "https://i.ytimg.com/vi/x.jpg", QString());
    }

    void appleMusicAddresses()
    {
        auto [address, sized] = fetch<QString, QString>("address", "sized");
        const auto result = AppleMusicArtworkPolicy::sizedURL(address, 152);
        QCOMPARE(result.value_or(QUrl()).toString(QUrl::FullyEncoded), sized);
        // The loader takes what the rule gave, and only that kind of host.
        if (result)
            QCOMPARE(MusicArtworkPolicy::family(*result), MusicArtworkPolicy::Family::appleMusic);
        // Drawn at 76 points: 76 pixels at 1x, 152 at 2x, never past the thumbnail.
        QCOMPARE(AppleMusicArtworkPolicy::coverSide(1), 76);
        QCOMPARE(AppleMusicArtworkPolicy::coverSide(1.5), 114);
        QCOMPARE(AppleMusicArtworkPolicy::coverSide(3), 160);
        QCOMPARE(AppleMusicArtworkPolicy::coverSide(qQNaN()), 76);
    }

    void responses_data()
    {
        columns<int, QString, QString, qint64, bool>("status", "url", "type", "length", "accepted");
        const QString spotify = "https://i.scdn.co/image/" + kId;
        const QString youtube = "https://i.ytimg.com/vi/x/hq.jpg";
        row("jpeg", 200, spotify, "image/jpeg", qint64(1000), true);
        row("png, unknown length", 200, youtube, "image/png", qint64(-1), true);
        row("webp at the cap", 200, youtube, "image/webp", qint64(2'097'152), true);
        row("upper-case type", 200, spotify, "IMAGE/JPEG", qint64(10), true);
        row("over the cap", 200, spotify, "image/jpeg", qint64(2'097'153), false);
        row("gif", 200, spotify, "image/gif", qint64(10), false);
        row("html", 200, spotify, "text/html", qint64(10), false);
        row("no type", 200, spotify, "", qint64(10), false);
        row("not found", 404, spotify, "image/jpeg", qint64(10), false);
        row("redirect", 302, spotify, "image/jpeg", qint64(0), false);
        row("other address", 200, "https://example.com/a.jpg", "image/jpeg", qint64(10), false);
    }

    void responses()
    {
        auto [status, url, type, length, accepted] = fetch<int, QString, QString, qint64, bool>(
            "status", "url", "type", "length", "accepted");
        const HttpResponseHead head{status, QUrl(url), type, length, QUrl()};
        QCOMPARE(MusicArtworkPolicy::accepts(head), accepted);
    }
};

QTEST_GUILESS_MAIN(ArtworkPolicyTest)
#include "tst_artworkpolicy.moc"
