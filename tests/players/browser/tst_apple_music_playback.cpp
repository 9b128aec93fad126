#include "players/browser/AppleMusicPlayback.h"
#include "players/browser/PlaybackChoice.h"
#include "support/TestRows.h"

#include <QJsonDocument>
#include <QTest>

#include <limits>

using Kind = PlayerError::Kind;

class AppleMusicPlaybackTest : public QObject
{
    Q_OBJECT

private slots:
    void rulesForSongsAndTabs()
    {
        for (const char *good : {"1440857781", "i.ZXwb2Ayuz6PDAR", "a-b_c"})
            QCOMPARE(AppleMusicPlayback::songID(good), QString(good));
        for (const QString &bad : {QString(), QString(65, u'1'), QString("12 3"), QString("1é"),
                                   QString("x\"}),alert(1")})
            QCOMPARE(AppleMusicPlayback::songID(bad), std::nullopt);
        QVERIFY(AppleMusicPlayback::isMusicURL("https://music.apple.com/us/album/x"));
        for (const char *bad : {"http://music.apple.com/", "https://music.apple.com.evil.example/",
                                "https://u@music.apple.com/", "https://music.youtube.com/"})
            QVERIFY2(!AppleMusicPlayback::isMusicURL(bad), bad);
    }

    // Whatever the page answered (the extension relays it checked, but the
    // program trusts it no more than a YouTube Music reply), the snapshot
    // stays within its bounds.
    void boundsTheReply_data()
    {
        // title length, playing, duration, volume (-1: none), cover; error kind or -1
        columns<QJsonObject, int, bool, double, int, QString, int>(
            "reply", "titleLength", "playing", "duration", "volume", "cover", "error");
        const QString cover = "https://is2-ssl.mzstatic.com/image/thumb/a/{w}x{h}bb.jpg";
        const QString sized = "https://is2-ssl.mzstatic.com/image/thumb/a/152x152bb.jpg";
        const QJsonObject song{{"title", "T"},        {"artist", "A"},     {"songId", "1"},
                               {"isPaused", false},   {"imageSrc", cover}, {"songDuration", 200},
                               {"elapsedSeconds", 5}, {"volume", 56.999}};
        const auto with = [&song](const char *key, const QJsonValue &value) {
            QJsonObject changed = song;
            changed.insert(key, value);
            return changed;
        };
        row("a playing song", song, 1, true, 200.0, 57, sized, -1);
        row("a 1 MB title", with("title", QString(1 << 20, u'x')), 500, true, 200.0, 57, sized, -1);
        row("a cover on another host", with("imageSrc", "https://evil.example/{w}x{h}bb.jpg"), 1,
            true, 200.0, 57, QString(), -1);
        row("an absurd duration", with("songDuration", 1e300), 1, true, 0.0, 57, sized, -1);
        row("an absurd volume", with("volume", 1e9), 1, true, 200.0, -1, sized, -1);
        row("signed out: no song", QJsonObject{{"isPaused", true}, {"volume", 100}}, 0, false, 0.0,
            100, QString(), -1);
        row("no song but not paused", QJsonObject{{"isPaused", false}}, 0, false, 0.0, -1,
            QString(), -1);
        row("a title that is no text", with("title", 5), 0, false, 0.0, -1, QString(), -2);
        row("another song now", QJsonObject{{"error", "trackChanged"}}, 0, false, 0.0, -1,
            QString(), int(Kind::trackChanged));
        row("no player in the page", QJsonObject{{"error", "empty"}}, 0, false, 0.0, -1, QString(),
            int(Kind::invalidReply));
    }
    void boundsTheReply()
    {
        auto [reply, titleLength, playing, duration, volume, cover, error] =
            fetch<QJsonObject, int, bool, double, int, QString, int>(
                "reply", "titleLength", "playing", "duration", "volume", "cover", "error");
        const auto result = AppleMusicPlayback::site(152).snapshot(reply);
        if (error != -1) {
            QCOMPARE(result.localError() ? int(result.localError()->kind()) : -2, error);
            return;
        }
        const PlayerSnapshot &s = result.value();
        QCOMPARE(s.title.size(), titleLength);
        QCOMPARE(s.isPlaying, playing);
        QCOMPARE(s.timing.duration, duration);
        QCOMPARE(s.volume.value_or(-1), volume);
        QCOMPARE(s.artworkURL.value_or(QUrl()).toString(), cover);
    }

    // One rule picks among the tabs of a browser and among browsers.
    void choosesWhereTheSongIs_data()
    {
        // places: title and playing of each ("" paused without a song, "T" paused, "T>" playing)
        columns<QStringList, int, int>("places", "previous", "chosen"); // -1: none
        row("the first that plays", QStringList{"T", "U>", "V>"}, 0, 1);
        row("else the one before, even without a song", QStringList{"T", ""}, 1, 1);
        row("else the first with a song", QStringList{"", "T", "U"}, -1, 1);
        row("nothing with a song", QStringList{"", ""}, -1, -1);
        row("the one before, gone", QStringList{"T"}, 4, 0);
    }
    void choosesWhereTheSongIs()
    {
        auto [places, previous, chosen] =
            fetch<QStringList, int, int>("places", "previous", "chosen");
        PlaybackChoice<int> choice(previous >= 0 ? std::optional(previous) : std::nullopt);
        for (int i = 0; i < places.size(); ++i) {
            PlayerSnapshot snapshot;
            snapshot.title = QString(places[i]).remove(u'>');
            snapshot.isPlaying = places[i].endsWith(u'>');
            if (choice.offer(i, snapshot))
                break;
        }
        QCOMPARE(choice.chosen() ? choice.chosen()->first : -1, chosen);
    }
};

QTEST_GUILESS_MAIN(AppleMusicPlaybackTest)
#include "tst_apple_music_playback.moc"
