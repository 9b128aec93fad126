#include "lyrics/LyricsPolicy.h"
#include "support/TestRows.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

using Kind = LyricsFailure::Kind;

const LyricsTrack kTrack(QStringLiteral("Café"), QStringLiteral("Sigur Rós"),
                         QStringLiteral("Album"), 180);

QJsonObject replyObject(const QString &title = QStringLiteral("Café"),
                        const QString &artist = QStringLiteral("Sigur Rós"), double duration = 180)
{
    return QJsonObject{{"id", 7},
                       {"trackName", title},
                       {"artistName", artist},
                       {"albumName", "Other album"},
                       {"duration", duration},
                       {"instrumental", false},
                       {"syncedLyrics", "[00:01.00]one\n[00:02.00]two"},
                       {"plainLyrics", "one\ntwo\n"}};
}

QByteArray bytes(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject without(QJsonObject object, const QString &key)
{
    object.remove(key);
    return object;
}

QJsonObject with(QJsonObject object, const QString &key, const QJsonValue &value)
{
    object.insert(key, value);
    return object;
}

const QString kRequested = QStringLiteral("https://lrclib.net/api/get?track_name=a");

// A valid reply padded with JSON white space to exactly `size` bytes.
QByteArray paddedTo(qsizetype size)
{
    QByteArray body = bytes(replyObject());
    body.insert(1, QByteArray(size - body.size(), ' '));
    return body;
}

} // namespace

class LyricsPolicyTest : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        // failure: a LyricsFailure::Kind, or -1 for a document
        columns<QByteArray, int>("body", "failure");

        const int notFound = int(Kind::notFound), decoding = int(Kind::decoding),
                  tooLong = int(Kind::dataLengthExceedsMaximum);
        const QJsonObject reply = replyObject();
        const QJsonObject nothing = QJsonObject{{"trackName", "Café"},
                                                {"artistName", "Sigur Rós"},
                                                {"duration", 180},
                                                {"instrumental", false},
                                                {"syncedLyrics", QJsonValue::Null},
                                                {"plainLyrics", QJsonValue::Null}};
        row("matching reply", bytes(reply), -1);
        row("3 s longer passes", bytes(replyObject("Café", "Sigur Rós", 183.0)), -1);
        row("3 s shorter passes", bytes(replyObject("Café", "Sigur Rós", 177)), -1);
        row("3.5 s longer", bytes(replyObject("Café", "Sigur Rós", 183.5)), notFound);
        row("title folded", bytes(replyObject(" cafe\n", "SIGUR ROS\t")), -1);
        row("title decomposed", bytes(replyObject("CAFE\u0301", "sigur ro\u0301s")), -1);
        row("dotted capital I folded", bytes(replyObject("Café", "S\u0130GUR R\u00D3S")), -1);
        row("dotted small i folded", bytes(replyObject("Café", "si\u0307gur ros")), -1);
        row("other title", bytes(replyObject("Cafe (Live)")), notFound);
        row("other artist", bytes(replyObject("Café", "Sigur")), notFound);
        row("nothing to show", bytes(nothing), notFound);
        row("instrumental", bytes(with(nothing, "instrumental", true)), -1);
        row("plain only", bytes(with(nothing, "plainLyrics", "words")), -1);
        row("blank plain, untimed synced",
            bytes(with(with(nothing, "plainLyrics", " \n"), "syncedLyrics", "no tags here")),
            notFound);
        row("optional keys missing",
            bytes(
                without(without(with(reply, "instrumental", true), "syncedLyrics"), "plainLyrics")),
            -1);
        row("empty body", QByteArray(), tooLong);
        row("at the cap", paddedTo(LyricsPolicy::kMaxReplyBytes), -1);
        row("over the cap", paddedTo(LyricsPolicy::kMaxReplyBytes + 1), tooLong);
        row("malformed", QByteArray(R"({"trackName":)"), decoding);
        row("trailing garbage", bytes(reply) + "x", decoding);
        row("not UTF-8",
            QByteArray(
                "{\"trackName\":\"Caf\xe9\",\"artistName\":\"Sigur R\xf3s\",\"duration\":180,"
                "\"instrumental\":true}"),
            decoding);
        row("HTML page", QByteArray("<html><body>502 Bad Gateway</body></html>"), decoding);
        row("array", QByteArray("[" + bytes(reply) + "]"), decoding);
        row("title missing", bytes(without(reply, "trackName")), decoding);
        row("artist missing", bytes(without(reply, "artistName")), decoding);
        row("duration missing", bytes(without(reply, "duration")), decoding);
        row("instrumental missing", bytes(without(reply, "instrumental")), decoding);
        row("title null", bytes(with(reply, "trackName", QJsonValue::Null)), decoding);
        row("duration beyond any number",
            QByteArray(R"({"trackName":"Café","artistName":"Sigur Rós","duration":1e400,)"
                       R"("instrumental":true})"),
            decoding);
        row("duration as text", bytes(with(reply, "duration", "180")), decoding);
        row("instrumental as number", bytes(with(reply, "instrumental", 1)), decoding);
        row("synced as number", bytes(with(reply, "syncedLyrics", 3)), decoding);
        row("plain as object", bytes(with(reply, "plainLyrics", QJsonObject{})), decoding);
    }

    void decode()
    {
        auto [body, failure] = fetch<QByteArray, int>("body", "failure");
        const LyricsResult result = LyricsPolicy::decode(body, kTrack);
        const LyricsFailure *failed = std::get_if<LyricsFailure>(&result);
        QVERIFY2((failed ? int(failed->kind) : -1) == failure,
                 failed ? qPrintable(failed->detail) : "");
    }

    void decodedDocumentCarriesTheReply()
    {
        const LyricsResult result = LyricsPolicy::decode(bytes(replyObject()), kTrack);
        QCOMPARE(std::get<LyricsDocument>(result),
                 LyricsDocument(QStringLiteral("[00:01.00]one\n[00:02.00]two"),
                                QStringLiteral("one\ntwo"), false));
    }

    void requestURL()
    {
        const LyricsTrack track(QStringLiteral("C++ & Co/?#"), QStringLiteral("Ünï Name"),
                                QString(), 183);
        QCOMPARE(LyricsPolicy::requestURL(track).toString(QUrl::FullyEncoded),
                 QStringLiteral("https://lrclib.net/api/get?track_name=C%2B%2B%20%26%20Co%2F%3F%23"
                                "&artist_name=%C3%9Cn%C3%AF%20Name&album_name=&duration=183"));
    }

    void origin_data()
    {
        columns<QString, QString>("value", "origin");
        const QString fallback = QStringLiteral("https://lrclib.net");
        row("unset", QString(), fallback);
        row("https host", "https://lyrics.example.org", "https://lyrics.example.org");
        row("with port and slash", "https://lyrics.example.org:8443/",
            "https://lyrics.example.org:8443");
        row("plain http", "http://127.0.0.1:8080", fallback);
        row("credentials", "https://user:pw@lyrics.example.org", fallback);
        row("path", "https://lyrics.example.org/api", fallback);
        row("query", "https://lyrics.example.org?x=1", fallback);
        row("not an address", "lyrics", fallback);
    }
    void origin()
    {
        auto [value, origin] = fetch<QString, QString>("value", "origin");
        QCOMPARE(LyricsPolicy::origin(value).toString(), origin);
    }

    void accepts_data()
    {
        columns<int, QString, QString, qint64, bool>("status", "url", "mediaType", "length",
                                                     "accepted");
        row("plain reply", 200, kRequested, "application/json", qint64(-1), true);
        row("upper-case type", 200, kRequested, "Application/JSON", qint64(10), true);
        row("length at the cap", 200, kRequested, "application/json", LyricsPolicy::kMaxReplyBytes,
            true);
        row("length over the cap", 200, kRequested, "application/json",
            LyricsPolicy::kMaxReplyBytes + 1, false);
        row("created", 201, kRequested, "application/json", qint64(-1), false);
        row("redirect", 301, kRequested, "application/json", qint64(-1), false);
        row("other address", 200, "https://lrclib.net/api/get?track_name=b", "application/json",
            qint64(-1), false);
        row("no address", 200, QString(), "application/json", qint64(-1), false);
        row("HTML", 200, kRequested, "text/html", qint64(-1), false);
        row("no type", 200, kRequested, QString(), qint64(-1), false);
    }
    void accepts()
    {
        auto [status, url, mediaType, length, accepted] =
            fetch<int, QString, QString, qint64, bool>("status", "url", "mediaType", "length",
                                                       "accepted");
        const HttpResponseHead head{status, QUrl(url), mediaType, length, {}};
        QCOMPARE(LyricsPolicy::accepts(head, QUrl(kRequested)), accepted);
    }
};

QTEST_GUILESS_MAIN(LyricsPolicyTest)
#include "tst_lyricspolicy.moc"
