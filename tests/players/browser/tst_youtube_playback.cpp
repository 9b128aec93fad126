#include "players/browser/YouTubePlayback.h"
#include "support/AwaitCompletion.h"
#include "support/TestRows.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using Kind = PlayerError::Kind;

Q_DECLARE_METATYPE(std::optional<PlayerCommand>)
Q_DECLARE_METATYPE(std::optional<QString>)

static const QString kID = QStringLiteral("dQw4w9WgXcQ");

class YouTubePlaybackTest : public QObject
{
    Q_OBJECT

private slots:
    void rulesForIdentifiersAndTabs()
    {
        QCOMPARE(YouTubePlayback::videoID(kID), kID);
        for (const char *bad : {"dQw4w9WgXc", "dQw4w9WgXcQQ", "dQw4w9WgX.Q", "dQw4w9WgXcé"})
            QCOMPARE(YouTubePlayback::videoID(QString::fromUtf8(bad)), std::nullopt);
        for (const char *good :
             {"https://music.youtube.com/watch?v=x", "https://music.youtube.com:443/"})
            QVERIFY(YouTubePlayback::isMusicURL(QString::fromUtf8(good)));
        for (const char *bad : {"http://music.youtube.com/", "https://music.youtube.com:8443/",
                                "https://user@music.youtube.com/", "https://@music.youtube.com/",
                                "https://music.youtube.com.evil.example/", "", "music.youtube.com"})
            QVERIFY2(!YouTubePlayback::isMusicURL(QString::fromUtf8(bad)), bad);
    }

    void buildsActions_data()
    {
        // action: empty when it fails with trackChanged
        columns<std::optional<PlayerCommand>, std::optional<QString>, QByteArray>(
            "command", "expectedID", "action");
        const LyricsTrack track("Song", "Artist", "Album", 200, std::nullopt, kID);
        const std::optional<QString> none;
        row("read names no song", std::optional<PlayerCommand>(), std::optional(kID),
            QByteArray(R"({"name":"read"})"));
        row("seek clamps into the song and names the track's id",
            std::optional(PlayerCommand::seek(500, track)), none,
            QByteArray(R"({"expected":"dQw4w9WgXcQ","name":"seek","position":200})"));
        row("seek without a video id",
            std::optional(PlayerCommand::seek(5, LyricsTrack("S", "A", "", 200))),
            std::optional(kID), QByteArray());
        row("seek to no finite place", std::optional(PlayerCommand::seek(qQNaN(), track)), none,
            QByteArray());
        row("volume clamps", std::optional(PlayerCommand::volume(140)), std::optional(kID),
            QByteArray(R"({"expected":"dQw4w9WgXcQ","level":100,"name":"volume"})"));
        row("next names the cached song", std::optional(PlayerCommand::next()), std::optional(kID),
            QByteArray(R"({"expected":"dQw4w9WgXcQ","name":"next"})"));
        row("previous with a malformed id", std::optional(PlayerCommand::previous()),
            std::optional<QString>(QStringLiteral("x\"}),alert(1")), QByteArray());
    }

    void buildsActions()
    {
        auto [command, expectedID, action] =
            fetch<std::optional<PlayerCommand>, std::optional<QString>, QByteArray>(
                "command", "expectedID", "action");
        const auto built = YouTubePlayback::action(command, expectedID);
        if (action.isEmpty())
            QCOMPARE(errorOf(built), PlayerError(Kind::trackChanged));
        else
            QCOMPARE(QJsonDocument(built.value()).toJson(QJsonDocument::Compact), action);
    }

    void decodesReplies_data()
    {
        // outcome: -1 success, -2 undecodable, else the error kind
        columns<QByteArray, int>("reply", "outcome");
        row("playing", QByteArray(R"({"title":"T","isPaused":false})"), -1);
        row("not JSON", QByteArray("<html>"), -2);
        row("title of the wrong type", QByteArray(R"({"title":5})"), -2);
        row("song changed", QByteArray(R"({"error":"trackChanged"})"), int(Kind::trackChanged));
        row("not the music origin", QByteArray(R"({"error":"origin"})"), int(Kind::invalidReply));
        row("over 64 KiB", QByteArray(R"({"title":")") + QByteArray(70'000, 'x') + "\"}",
            int(Kind::invalidReply));
    }

    void decodesReplies()
    {
        auto [reply, outcome] = fetch<QByteArray, int>("reply", "outcome");
        const auto result = YouTubePlayback::snapshot(reply);
        QCOMPARE(result.isSuccess(), outcome == -1);
        QCOMPARE(result.otherError() != nullptr, outcome == -2);
        if (outcome >= 0)
            QCOMPARE(int(result.localError()->kind()), outcome);
    }

    void readsTheSnapshot()
    {
        const QString longTitle(20'000, u'é'); // 40 KB: within the reply cap
        const QJsonObject reply{{"title", longTitle},
                                {"artist", "A"},
                                {"album", "B"},
                                {"videoId", kID},
                                {"imageSrc", "https://lh3.googleusercontent.com/abc=w544-h544"},
                                {"isPaused", false},
                                {"songDuration", 215.5},
                                {"elapsedSeconds", 43.25},
                                {"volume", 57}};
        const auto result = YouTubePlayback::snapshot(QJsonDocument(reply).toJson());
        QVERIFY(result.isSuccess());
        const PlayerSnapshot &s = result.value();
        QCOMPARE(s.title.size(), 500);
        QVERIFY(s.isPlaying);
        QCOMPARE(s.playbackID, kID);
        QCOMPARE(s.artworkURL, QUrl("https://lh3.googleusercontent.com/abc=w544-h544"));
        QCOMPARE(s.timing, PlaybackTiming::fromMilliseconds(215'500, 43.25));

        // The cover rule reads the address as the page wrote it.
        for (const char *cover :
             {"HTTPS://lh3.googleusercontent.com/abc", "https://LH3.googleusercontent.com/abc",
              "https://evil.example/abc"}) {
            const auto other =
                YouTubePlayback::snapshot(QJsonDocument(QJsonObject{{"imageSrc", cover}}).toJson());
            QCOMPARE(other.value().artworkURL, std::nullopt);
        }
    }

    void volumeIsTheNearestLevel()
    {
        // What the page reports for a level the user set: its fraction times 100.
        for (int level = 0; level <= 100; ++level) {
            const double reported = (level / 100.0) * 100;
            const QByteArray reply = "{\"volume\":" + QByteArray::number(reported, 'g', 17) + "}";
            QCOMPARE(YouTubePlayback::snapshot(reply).value().volume, level);
        }
        for (const char *bad : {R"({"volume":100.6})", R"({"volume":-0.5})", R"({})"})
            QCOMPARE(YouTubePlayback::snapshot(bad).value().volume, std::nullopt);
    }
};

QTEST_GUILESS_MAIN(YouTubePlaybackTest)
#include "tst_youtube_playback.moc"
