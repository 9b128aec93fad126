#include "music/LyricsTrack.h"
#include "music/MusicSource.h"
#include "music/SpotifyPlaybackTiming.h"
#include "music/SpotifySnapshot.h"
#include "music/SpotifyTrackLink.h"

#include <QSet>
#include <QTest>

#include <cmath>
#include <limits>
#include <unordered_set>

namespace {

SpotifySnapshot snapshot(QString title, QString artist, QString album, double duration)
{
    SpotifySnapshot s;
    s.title = std::move(title);
    s.artist = std::move(artist);
    s.album = std::move(album);
    s.timing = {duration, 0, 0};
    return s;
}

const QString kValidURI = QStringLiteral("spotify:track:4uLU6hMCjMI75M1A2tKUQC");

} // namespace

class MusicModelTest : public QObject
{
    Q_OBJECT

private slots:
    void sourcesKeepTheirOrderNamesAndRawValues()
    {
        const QStringList raw = {"spotify", "appleMusic", "safari", "chrome",
                                 "brave",   "edge",       "pear"};
        const auto all = MusicSource::allCases();
        QCOMPARE(qsizetype(all.size()), raw.size());
        for (size_t i = 0; i < all.size(); ++i) {
            QCOMPARE(all[i].rawValue(), raw[qsizetype(i)]);
            QCOMPARE(MusicSource::fromRawValue(raw[qsizetype(i)]), std::optional(all[i]));
        }
        QVERIFY(!MusicSource::fromRawValue(u"Spotify"));
        QVERIFY(!MusicSource::fromRawValue(u""));
        QVERIFY(!MusicSource::fromRawValue(u"spotify "));

        QCOMPARE(MusicSource(MusicSource::spotify).browserName(), "Spotify");
        QCOMPARE(MusicSource(MusicSource::appleMusic).browserName(), "Apple Music");
        QCOMPARE(MusicSource(MusicSource::pear).displayName(), "YouTube Music \u00B7 Pear");
        QCOMPARE(MusicSource(MusicSource::pear).browserName(), "Pear");
        QCOMPARE(MusicSource(MusicSource::edge).browserName(), "Edge");

        QSet<MusicSource> browsers;
        for (MusicSource source : all) {
            if (source.isBrowser())
                browsers.insert(source);
        }
        QCOMPARE(browsers, (QSet<MusicSource>{MusicSource::safari, MusicSource::chrome,
                                              MusicSource::brave, MusicSource::edge}));
        QCOMPARE(MusicSource(MusicSource::chrome).bundleIdentifier(), "com.google.Chrome");
    }

    void setupTextsFollowTheKindOfPlayer()
    {
        QCOMPARE(MusicSource(MusicSource::appleMusic).setup(),
                 "Open Apple Music, play a song, then click Connect.");
        QCOMPARE(MusicSource(MusicSource::safari).setup(),
                 "Open music.youtube.com in a Safari tab. In Safari Settings \u2192 Advanced, "
                 "enable features for web developers, then Develop \u2192 Allow JavaScript from "
                 "Apple Events. Click Connect and allow macOS Automation access.");
        QCOMPARE(MusicSource(MusicSource::brave).setup(),
                 "Open music.youtube.com in Brave, or its installed web app. Add Velloway\u2019s "
                 "extension to Brave (see the README). Then click Connect.");
        QVERIFY(MusicSource(MusicSource::pear).setup().contains("port 26538"));
    }

    void timingFromMilliseconds_data()
    {
        QTest::addColumn<double>("milliseconds");
        QTest::addColumn<double>("position");
        QTest::addColumn<SpotifyPlaybackTiming>("expected");
        const double inf = std::numeric_limits<double>::infinity();
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("middle") << 200'000.0 << 50.0 << SpotifyPlaybackTiming{200, 50, 0.25};
        QTest::newRow("zero duration") << 0.0 << 30.0 << SpotifyPlaybackTiming{};
        QTest::newRow("negative duration") << -5.0 << 1.0 << SpotifyPlaybackTiming{};
        QTest::newRow("infinite duration") << inf << 1.0 << SpotifyPlaybackTiming{};
        QTest::newRow("NaN duration") << nan << 1.0 << SpotifyPlaybackTiming{};
        QTest::newRow("past the end") << 10'000.0 << 99.0 << SpotifyPlaybackTiming{10, 10, 1};
        QTest::newRow("negative position") << 10'000.0 << -3.0 << SpotifyPlaybackTiming{10, 0, 0};
        QTest::newRow("NaN position") << 10'000.0 << nan << SpotifyPlaybackTiming{10, 0, 0};
        QTest::newRow("infinite position") << 10'000.0 << inf << SpotifyPlaybackTiming{10, 0, 0};
    }

    void timingFromMilliseconds()
    {
        QFETCH(double, milliseconds);
        QFETCH(double, position);
        QFETCH(SpotifyPlaybackTiming, expected);
        QCOMPARE(SpotifyPlaybackTiming::fromMilliseconds(milliseconds, position), expected);
    }

    void trackLinks_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("kept");
        QTest::newRow("22 alphanumerics") << kValidURI << true;
        QTest::newRow("21") << "spotify:track:4uLU6hMCjMI75M1A2tKUQ" << false;
        QTest::newRow("23") << "spotify:track:4uLU6hMCjMI75M1A2tKUQCx" << false;
        QTest::newRow("underscore") << "spotify:track:4uLU6hMCjMI75M1A2tKU_C" << false;
        QTest::newRow("hyphen") << "spotify:track:4uLU6hMCjMI75M1A2tKU-C" << false;
        QTest::newRow("non-ASCII digit") << "spotify:track:4uLU6hMCjMI75M1A2tKU\u0663C" << false;
        QTest::newRow("album") << "spotify:album:4uLU6hMCjMI75M1A2tKUQC" << false;
        QTest::newRow("web link") << "https://open.spotify.com/track/4uLU6hMCjMI75M1A2tKUQC"
                                  << false;
        QTest::newRow("upper-case prefix") << "SPOTIFY:TRACK:4uLU6hMCjMI75M1A2tKUQC" << false;
    }

    void trackLinks()
    {
        QFETCH(QString, value);
        QFETCH(bool, kept);
        const auto result = SpotifyTrackLink::validatedURI(value);
        QCOMPARE(result.has_value(), kept);
        if (kept)
            QCOMPARE(*result, value);
        QVERIFY(!SpotifyTrackLink::validatedURI(std::nullopt));
    }

    void trackFromSnapshot_data()
    {
        QTest::addColumn<SpotifySnapshot>("input");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("duration");
        const QString title500 = QString(500, u'x');
        const QString accented = QStringLiteral("e\u0301").repeated(500); // 500 characters
        QTest::newRow("empty album") << snapshot("T", "A", "", 200) << true << 200;
        QTest::newRow("half rounds up") << snapshot("T", "A", "B", 215.5) << true << 216;
        QTest::newRow("just below a day") << snapshot("T", "A", "B", 86'399.4) << true << 86'399;
        QTest::newRow("500 characters") << snapshot(title500, "A", "", 10) << true << 10;
        QTest::newRow("500 accented characters") << snapshot(accented, "A", "", 10) << true << 10;
        QTest::newRow("empty title") << snapshot("", "A", "B", 200) << false << 0;
        QTest::newRow("empty artist") << snapshot("T", "", "B", 200) << false << 0;
        QTest::newRow("501-character title")
            << snapshot(title500 + "y", "A", "", 200) << false << 0;
        QTest::newRow("501-character album")
            << snapshot("T", "A", title500 + "y", 200) << false << 0;
        QTest::newRow("zero duration") << snapshot("T", "A", "B", 0) << false << 0;
        QTest::newRow("a whole day") << snapshot("T", "A", "B", 86'400) << false << 0;
        QTest::newRow("NaN duration") << snapshot("T", "A", "B", std::nan("")) << false << 0;
    }

    void trackFromSnapshot()
    {
        QFETCH(SpotifySnapshot, input);
        QFETCH(bool, valid);
        QFETCH(int, duration);
        const auto track = LyricsTrack::from(input);
        QCOMPARE(track.has_value(), valid);
        if (!valid)
            return;
        QCOMPARE(track->title(), input.title);
        QCOMPARE(track->artist(), input.artist);
        QCOMPARE(track->album(), input.album);
        QCOMPARE(track->duration(), duration);
    }

    void trackCarriesOnlyValidLinksAndCutsThePlaybackID()
    {
        SpotifySnapshot s = snapshot("T", "A", "B", 100);
        s.spotifyURI = kValidURI;
        s.playbackID = QStringLiteral("\U0001F3B5").repeated(600);
        auto track = LyricsTrack::from(s);
        QVERIFY(track);
        QCOMPARE(track->spotifyURI(), std::optional(kValidURI));
        QCOMPARE(track->playbackID(), std::optional(QStringLiteral("\U0001F3B5").repeated(500)));

        s.spotifyURI = QStringLiteral("spotify:album:4uLU6hMCjMI75M1A2tKUQC");
        s.playbackID.reset();
        track = LyricsTrack::from(s);
        QVERIFY(track);
        QCOMPARE(track->spotifyURI(), std::nullopt);
        QCOMPARE(track->playbackID(), std::nullopt);
    }

    void everyFieldTakesPartInEqualityAndHashing()
    {
        const LyricsTrack base("T", "A", "B", 100, kValidURI, QString());
        const QList<LyricsTrack> variants = {
            LyricsTrack("t", "A", "B", 100, kValidURI, QString()),
            LyricsTrack("T", "a", "B", 100, kValidURI, QString()),
            LyricsTrack("T", "A", "", 100, kValidURI, QString()),
            LyricsTrack("T", "A", "B", 101, kValidURI, QString()),
            LyricsTrack("T", "A", "B", 100, std::nullopt, QString()),
            // Present-but-empty and absent playback ids are different tracks.
            LyricsTrack("T", "A", "B", 100, kValidURI, std::nullopt),
        };
        QSet<LyricsTrack> qtSet{base};
        std::unordered_set<LyricsTrack> stdSet{base};
        for (const LyricsTrack &other : variants) {
            QVERIFY(!(other == base));
            qtSet.insert(other);
            stdSet.insert(other);
        }
        QCOMPARE(qtSet.size(), variants.size() + 1);
        QCOMPARE(qsizetype(stdSet.size()), variants.size() + 1);
        const LyricsTrack copy("T", "A", "B", 100, kValidURI, QString());
        QVERIFY(copy == base);
        QCOMPARE(qHash(copy), qHash(base));
        QVERIFY(qtSet.contains(copy));
    }
};

QTEST_GUILESS_MAIN(MusicModelTest)
#include "tst_musicmodel.moc"
