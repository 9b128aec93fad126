#include "players/model/LyricsTrack.h"
#include "players/model/MusicSource.h"
#include "players/model/PlaybackTiming.h"
#include "players/model/PlayerSnapshot.h"
#include "players/model/SpotifyTrackLink.h"
#include "support/TestRows.h"

#include <QSet>
#include <QTest>

#include <cmath>
#include <limits>
#include <unordered_set>

namespace {

PlayerSnapshot snapshot(QString title, QString artist, QString album, double duration)
{
    PlayerSnapshot s;
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
    void sourcesRoundTripTheirRawValues()
    {
        const QStringList raw = {"spotify", "appleMusic", "safari", "chrome",
                                 "brave",   "edge",       "pear"};
        const auto all = MusicSource::allCases();
        QCOMPARE(qsizetype(all.size()), raw.size());
        for (size_t i = 0; i < all.size(); ++i) {
            QCOMPARE(all[i].rawValue(), raw[qsizetype(i)]);
            QCOMPARE(MusicSource::fromRawValue(raw[qsizetype(i)]), std::optional(all[i]));
            // A source added without its words would show blanks.
            QVERIFY(!all[i].displayName().isEmpty() && !all[i].browserName().isEmpty() &&
                    !all[i].bundleIdentifier().isEmpty() && !all[i].setup().isEmpty());
        }
        for (const char *nearMiss : {"Spotify", "", "spotify "})
            QVERIFY(!MusicSource::fromRawValue(QString::fromLatin1(nearMiss)));
    }

    void timingFromMilliseconds_data()
    {
        columns<double, double, PlaybackTiming>("milliseconds", "position", "expected");
        const double inf = std::numeric_limits<double>::infinity();
        const double nan = std::numeric_limits<double>::quiet_NaN();
        row("middle", 200'000.0, 50.0, PlaybackTiming{200, 50, 0.25});
        row("zero duration", 0.0, 30.0, PlaybackTiming{});
        row("negative duration", -5.0, 1.0, PlaybackTiming{});
        row("infinite duration", inf, 1.0, PlaybackTiming{});
        row("NaN duration", nan, 1.0, PlaybackTiming{});
        row("past the end", 10'000.0, 99.0, PlaybackTiming{10, 10, 1});
        row("negative position", 10'000.0, -3.0, PlaybackTiming{10, 0, 0});
        row("NaN position", 10'000.0, nan, PlaybackTiming{10, 0, 0});
        row("infinite position", 10'000.0, inf, PlaybackTiming{10, 0, 0});
    }

    void timingFromMilliseconds()
    {
        auto [milliseconds, position, expected] =
            fetch<double, double, PlaybackTiming>("milliseconds", "position", "expected");
        QCOMPARE(PlaybackTiming::fromMilliseconds(milliseconds, position), expected);
    }

    void trackLinks_data()
    {
        columns<QString, bool>("value", "kept");
        row("22 alphanumerics", kValidURI, true);
        row("21", "spotify:track:4uLU6hMCjMI75M1A2tKUQ", false);
        row("23", "spotify:track:4uLU6hMCjMI75M1A2tKUQCx", false);
        row("underscore", "spotify:track:4uLU6hMCjMI75M1A2tKU_C", false);
        row("hyphen", "spotify:track:4uLU6hMCjMI75M1A2tKU-C", false);
        row("non-ASCII digit", "spotify:track:4uLU6hMCjMI75M1A2tKU\u0663C", false);
        row("album", "spotify:album:4uLU6hMCjMI75M1A2tKUQC", false);
        row("web link", "https://open.spotify.com/track/4uLU6hMCjMI75M1A2tKUQC", false);
        row("upper-case prefix", "SPOTIFY:TRACK:4uLU6hMCjMI75M1A2tKUQC", false);
    }

    void trackLinks()
    {
        auto [value, kept] = fetch<QString, bool>("value", "kept");
        const auto result = SpotifyTrackLink::validatedURI(value);
        QCOMPARE(result.has_value(), kept);
        if (kept)
            QCOMPARE(*result, value);
        QVERIFY(!SpotifyTrackLink::validatedURI(std::nullopt));
    }

    void trackFromSnapshot_data()
    {
        columns<PlayerSnapshot, bool, int>("input", "valid", "duration");
        const QString title500 = QString(500, u'x');
        const QString accented = QStringLiteral("e\u0301").repeated(500); // 500 characters
        row("empty album", snapshot("T", "A", "", 200), true, 200);
        row("half rounds up", snapshot("T", "A", "B", 215.5), true, 216);
        row("just below a day", snapshot("T", "A", "B", 86'399.4), true, 86'399);
        row("500 characters", snapshot(title500, "A", "", 10), true, 10);
        row("500 accented characters", snapshot(accented, "A", "", 10), true, 10);
        row("empty title", snapshot("", "A", "B", 200), false, 0);
        row("a file without tags", snapshot("T", "", "", 200), true, 200);
        row("501-character title", snapshot(title500 + "y", "A", "", 200), false, 0);
        row("501-character album", snapshot("T", "A", title500 + "y", 200), false, 0);
        row("zero duration", snapshot("T", "A", "B", 0), false, 0);
        row("a whole day", snapshot("T", "A", "B", 86'400), false, 0);
        row("NaN duration", snapshot("T", "A", "B", std::nan("")), false, 0);
    }

    void trackFromSnapshot()
    {
        auto [input, valid, duration] =
            fetch<PlayerSnapshot, bool, int>("input", "valid", "duration");
        const auto expected = LyricsTrack(input.title, input.artist, input.album, duration);
        QCOMPARE(LyricsTrack::from(input), valid ? std::optional(expected) : std::nullopt);
    }

    void trackCarriesOnlyValidLinksAndCutsThePlaybackID()
    {
        PlayerSnapshot s = snapshot("T", "A", "B", 100);
        s.spotifyURI = kValidURI;
        s.playbackID = QStringLiteral("\U0001F3B5").repeated(600);
        const auto cut = QStringLiteral("\U0001F3B5").repeated(500);
        QCOMPARE(LyricsTrack::from(s), LyricsTrack("T", "A", "B", 100, kValidURI, cut));

        s.spotifyURI = QStringLiteral("spotify:album:4uLU6hMCjMI75M1A2tKUQC");
        s.playbackID.reset();
        QCOMPARE(LyricsTrack::from(s), LyricsTrack("T", "A", "B", 100));
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
