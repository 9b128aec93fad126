#include "core/SerialWorker.h"
#include "core/SystemClock.h"
#include "platform/dbus/MprisScriptTransport.h"
#include "scripting/ScriptTerms.h"
#include "support/FakeMprisPlayer.h"
#include "support/FileOwnership.h"
#include "support/TestRows.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

using namespace ScriptTerms;

Q_DECLARE_METATYPE(ScriptDescriptor)
Q_DECLARE_METATYPE(std::optional<ScriptDescriptor>)

namespace {

const qint32 kOwnPID = qint32(QCoreApplication::applicationPid());
const QString kTrackID = QStringLiteral("6rqhFgbbKwnb9MLmUQDhG6");

// The fake player answers on this thread, so blocking calls go to a worker
// while this thread keeps serving the bus.
template <typename Fn> auto onWorker(Fn fn) -> decltype(fn())
{
    SerialWorker worker(QStringLiteral("Velloway.Test"));
    std::optional<decltype(fn())> result;
    std::atomic<bool> done = false;
    worker.post([&] {
        result = fn();
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done.load(); }, 20'000))
        qFatal("worker did not finish");
    return *result;
}

ScriptDescriptor trackProperty(ScriptCode code)
{
    return ScriptReference::property(code, ScriptReference::property(kCurrentTrack));
}

ScriptDescriptor artworkData()
{
    return ScriptReference::property(
        kRawData,
        ScriptReference::element(kArtworkClass, 1, ScriptReference::property(kCurrentTrack)));
}

class Session
{
public:
    Session()
        : transport(QDBusConnection::sessionBus(), SystemClock::shared(),
                    QLatin1String(MprisScriptTransport::kSpotifyService),
                    MprisScriptTransport::DurationUnit::milliseconds)
    {}

    qint32 permission(qint32 pid = kOwnPID)
    {
        return onWorker(
            [&] { return transport.determinePermission(pid, kCoreSuite, kGetData, false); });
    }

    ScriptResult get(const ScriptDescriptor &reference, double timeout = 2)
    {
        ScriptEvent event(kCoreSuite, kGetData);
        event.setParameter(kDirectObject, reference);
        return send(event, timeout);
    }

    qint32 set(ScriptCode property, const ScriptDescriptor &data)
    {
        ScriptEvent event(kCoreSuite, kSetData);
        event.setParameter(kDirectObject, ScriptReference::property(property));
        event.setParameter(kData, data);
        return send(event, 3).error;
    }

    ScriptResult send(const ScriptEvent &event, double timeout = 3)
    {
        return onWorker([&] { return transport.send(event, kOwnPID, Seconds(timeout)); });
    }

    MprisScriptTransport transport;
};

std::optional<ScriptDescriptor> value(const ScriptResult &result)
{
    if (result.error != ScriptError::kNone)
        return std::nullopt;
    return result.reply.parameter(kDirectObject);
}

// A player publishing `properties` and a session that has found it; a
// failure to get there fails the test that made it.
struct Rig
{
    FakeMprisPlayer player;
    Session session;

    explicit Rig(const QVariantMap &properties = {})
    {
        QVERIFY(player.start());
        for (auto it = properties.begin(); it != properties.end(); ++it)
            player.setPlayerProperty(it.key(), it.value());
        QCOMPARE(session.permission(), ScriptError::kNone);
    }
};

QVariantMap metadata(const QVariantMap &values)
{
    return {{"Metadata", values}};
}

} // namespace

class MprisTransportTest : public QObject
{
    Q_OBJECT

private slots:
    void readsThePlayerObjectModel()
    {
        Rig rig({{"PlaybackStatus", "Playing"},
                 {"Volume", 0.55},
                 {"Position", qlonglong(42'500'000)},
                 {"Metadata", FakeMprisPlayer::spotifyMetadata(kTrackID, "Song", {"A", "B"},
                                                               "Album", 215'000'000)}});
        Session &session = rig.session;
        const int before = session.transport.roundTrips();
        using D = ScriptDescriptor;
        const std::pair<D, std::optional<D>> reads[] = {
            {ScriptReference::property(kPlayerState), D::enumeration(kPlaying)},
            {ScriptReference::property(kSoundVolume), D::integer(55)},
            {trackProperty(kName), D::text("Song")},
            {trackProperty(kArtist), D::text("A, B")},
            {trackProperty(kAlbum), D::text("Album")},
            {trackProperty(kDuration), D::integer(215'000)},
            {ScriptReference::property(kPlayerPosition), D::real(42.5)},
            {trackProperty(kPersistentID), D::text("/com/spotify/track/" + kTrackID)},
            {trackProperty(kSpotifyID), D::text("spotify:track:" + kTrackID)},
            {trackProperty(kArtworkURL),
             D::text("https://i.scdn.co/image/ab67616d0000b2730123456789abcdef01234567")}};
        for (const auto &[reference, expected] : reads)
            QCOMPARE(value(session.get(reference)), expected);
        // One GetAll serves every property; only the position is read again.
        QCOMPARE(session.transport.roundTrips() - before, 2);

        // A new request reads afresh.
        rig.player.setPlayerProperty("PlaybackStatus", "Paused");
        QCOMPARE(session.permission(), ScriptError::kNone);
        QCOMPARE(value(session.get(ScriptReference::property(kPlayerState))),
                 ScriptDescriptor::enumeration(kPaused));
    }

    void readsWhatThePlayerPublishes_data()
    {
        columns<QVariantMap, ScriptDescriptor, int, std::optional<ScriptDescriptor>>(
            "properties", "reference", "error", "expected");
        const auto state = ScriptReference::property(kPlayerState);
        const auto volume = ScriptReference::property(kSoundVolume);
        const int none = ScriptError::kNone;
        const int missing = ScriptError::kNoSuchObject;
        const std::optional<ScriptDescriptor> nothing;
        const auto some = [](const ScriptDescriptor &d) { return std::optional(d); };
        using D = ScriptDescriptor;
        row("stopped", QVariantMap{{"PlaybackStatus", "Stopped"}}, state, none,
            some(D::enumeration(kStopped)));
        row("unknown status", QVariantMap{{"PlaybackStatus", "Buffering"}}, state, none, nothing);
        row("status as number", QVariantMap{{"PlaybackStatus", 5}}, state, none, nothing);
        row("volume as text", QVariantMap{{"Volume", "loud"}}, volume, none, nothing);
        row("volume not a number", QVariantMap{{"Volume", qQNaN()}}, volume, none, nothing);
        row("volume above full", QVariantMap{{"Volume", 1.5}}, volume, none, some(D::integer(150)));
        const QVariantMap noTrack =
            metadata({{"mpris:trackid",
                       QVariant::fromValue(QDBusObjectPath(MprisTrackMetadata::kNoTrackID))}});
        row("empty metadata, no title", metadata({}), trackProperty(kName), missing, nothing);
        row("no-track id, no title", noTrack, trackProperty(kName), missing, nothing);
        row("no-track id, no cover", noTrack, artworkData(), missing, nothing);

        // What a runaway player sends is capped.
        QStringList crowd;
        for (int i = 0; i < 1000; ++i)
            crowd << QStringLiteral("Artist %1").arg(i);
        const QVariantMap absurd = metadata({{"mpris:trackid", "/t/1"},
                                             {"xesam:title", QString(10'000'000, u'x')},
                                             {"xesam:artist", crowd},
                                             {"xesam:album", 42},
                                             {"mpris:length", "long"}});
        row("huge title", absurd, trackProperty(kName), none,
            some(D::text(QString(MprisTrackMetadata::kMaxTextLength, u'x'))));
        row("crowd of artists", absurd, trackProperty(kArtist), none,
            some(D::text(crowd.first(MprisTrackMetadata::kMaxArtists).join(QStringLiteral(", ")))));
        row("album as number", absurd, trackProperty(kAlbum), none, some(D::text("")));
        row("length as text", absurd, trackProperty(kDuration), none, some(D::integer(0)));
    }

    void readsWhatThePlayerPublishes()
    {
        auto [properties, reference, error, expected] =
            fetch<QVariantMap, ScriptDescriptor, int, std::optional<ScriptDescriptor>>(
                "properties", "reference", "error", "expected");
        Rig rig(properties);
        const auto result = rig.session.get(reference);
        QCOMPARE(result.error, error);
        QCOMPARE(value(result), expected);
    }

    void commandsArriveAtThePlayer()
    {
        Rig rig(metadata(
            FakeMprisPlayer::spotifyMetadata(kTrackID, "Song", {"A"}, "Album", 215'000'000)));
        FakeMprisPlayer &player = rig.player;
        Session &session = rig.session;
        for (auto [event, method] :
             {std::pair{kPlayPause, "PlayPause"}, std::pair{kPreviousTrack, "Previous"},
              std::pair{kNextTrack, "Next"}}) {
            QCOMPARE(session.send(ScriptEvent(kSpotifySuite, event)).error, ScriptError::kNone);
            QCOMPARE(player.calls(method).size(), 1);
        }

        QCOMPARE(session.set(kSoundVolume, ScriptDescriptor::integer(30)), ScriptError::kNone);
        QCOMPARE(player.playerProperty("Volume").toDouble(), 0.3);

        QCOMPARE(session.set(kPlayerPosition, ScriptDescriptor::real(12.5)), ScriptError::kNone);
        const auto seeks = player.calls("SetPosition");
        QCOMPARE(seeks.size(), 1);
        QCOMPARE(seeks[0].arguments[0].value<QDBusObjectPath>().path(),
                 "/com/spotify/track/" + kTrackID);
        QCOMPARE(seeks[0].arguments[1].toLongLong(), 12'500'000);
        QCOMPARE(player.playerProperty("Position").toLongLong(), 12'500'000);

        QCOMPARE(session.send(ScriptEvent("zzzz", "zzzz")).error, ScriptError::kEventNotHandled);
    }

    void seeksRelativelyWhenTheTrackIdIsNoPath()
    {
        QVariantMap track =
            FakeMprisPlayer::spotifyMetadata(kTrackID, "Song", {"A"}, "Album", 215'000'000);
        track["mpris:trackid"] = "spotify:track:" + kTrackID; // older clients
        Rig rig({{"Metadata", track}, {"Position", qlonglong(10'000'000)}});
        QCOMPARE(value(rig.session.get(trackProperty(kSpotifyID))),
                 ScriptDescriptor::text("spotify:track:" + kTrackID));
        QCOMPARE(rig.session.set(kPlayerPosition, ScriptDescriptor::real(12.5)),
                 ScriptError::kNone);
        QVERIFY(rig.player.calls("SetPosition").isEmpty());
        const auto seeks = rig.player.calls("Seek");
        QCOMPARE(seeks.size(), 1);
        QCOMPARE(seeks[0].arguments[0].toLongLong(), 2'500'000);
    }

    void findsThePlayerOfTheProcess()
    {
        FakeMprisPlayer other(QStringLiteral("org.mpris.MediaPlayer2.aaa"));
        QVERIFY(other.start());
        other.setPlayerProperty(
            "Metadata", FakeMprisPlayer::standardMetadata("/a/1", "Other", {"X"}, "", 1'000'000));
        Session session;
        QCOMPARE(session.permission(), ScriptError::kNone);
        QCOMPARE(value(session.get(trackProperty(kName))), ScriptDescriptor::text("Other"));

        FakeMprisPlayer spotify;
        QVERIFY(spotify.start());
        spotify.setPlayerProperty("Metadata", FakeMprisPlayer::spotifyMetadata(
                                                  kTrackID, "Song", {"A"}, "Album", 1'000'000));
        Session fresh;
        QCOMPARE(fresh.permission(), ScriptError::kNone);
        QCOMPARE(value(fresh.get(trackProperty(kName))), ScriptDescriptor::text("Song"));

        QCOMPARE(fresh.permission(0x3fff'fff0), ScriptError::kProcessNotFound);
        QCOMPARE(fresh.permission(0), ScriptError::kProcessNotFound);
    }

    void playerVanishingMidPollIsNotRunning()
    {
        Rig rig({{"PlaybackStatus", "Playing"}});
        rig.player.vanishAfter("GetAll");
        QCOMPARE(value(rig.session.get(ScriptReference::property(kPlayerState))),
                 ScriptDescriptor::enumeration(kPlaying));
        QTRY_VERIFY(!rig.player.isRunning());
        QCOMPARE(rig.session.get(ScriptReference::property(kPlayerPosition)).error,
                 ScriptError::kProcessNotFound);
        QCOMPARE(rig.session.permission(), ScriptError::kProcessNotFound);
    }

    void silentPlayerTimesOut()
    {
        Rig rig;
        rig.player.setSilent(true);
        QCOMPARE(rig.session.get(ScriptReference::property(kPlayerState), 0.2).error,
                 ScriptError::kTimedOut);
    }

    void readsOnlySmallRegularArtworkFiles_data()
    {
        columns<QString, bool>("kind", "readable");
        row("small file", "small", true);
        row("exactly the cap", "cap", true);
        row("over the cap", "huge", false);
        row("fifo", "fifo", false);
        row("unreadable", "unreadable", false);
        row("missing", "missing", false);
        row("directory", "directory", false);
    }

    void readsOnlySmallRegularArtworkFiles()
    {
        auto [kind, readable] = fetch<QString, bool>("kind", "readable");
        if (kind == "unreadable" && ::geteuid() == 0)
            QSKIP("root reads every file");
        QTemporaryDir dir;
        const QString path = dir.filePath("cover");
        QByteArray expected;
        if (kind == "small" || kind == "cap" || kind == "huge" || kind == "unreadable") {
            expected =
                kind == "small"
                    ? QByteArray("\x89PNG not really", 15)
                    : QByteArray(MprisScriptTransport::kMaxArtworkBytes + (kind == "huge" ? 1 : 0),
                                 'a');
            FileOwnership::writeFile(path, expected);
            if (kind == "unreadable")
                QFile::setPermissions(path, QFileDevice::WriteOwner);
        } else if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "directory") {
            QVERIFY(QDir(dir.path()).mkdir("cover"));
        }
        Rig rig(metadata(
            {{"mpris:trackid", "/t/1"}, {"mpris:artUrl", QUrl::fromLocalFile(path).toString()}}));
        const auto result = rig.session.get(artworkData());
        if (readable)
            QCOMPARE(value(result), ScriptDescriptor::bytes(expected));
        else
            QCOMPARE(result.error, ScriptError::kEventFailed);
    }

    void mapsSpotifyAddresses_data()
    {
        columns<QVariantMap, QString, QString>("metadata", "spotifyURI", "artwork");
        const QString hex = "ab67616d0000b2730123456789abcdef01234567";
        const QString canonical = "https://i.scdn.co/image/" + hex;
        const QString none;
        const auto art = [](const QString &url) { return QVariantMap{{"mpris:artUrl", url}}; };
        const auto page = [](const QString &url) { return QVariantMap{{"xesam:url", url}}; };
        row("open.spotify.com image", art("https://open.spotify.com/image/" + hex), none,
            canonical);
        row("old thumb form", art("http://open.spotify.com/thumb/" + hex), none, canonical);
        const QString cut = "https://open.spotify.com/image/" + hex.left(39);
        row("cut identifier stays as sent", art(cut), none, cut);
        row("other player's cover", art("https://example.org/c.jpg"), none,
            "https://example.org/c.jpg");
        row("local file is no address", art("file:///tmp/c.jpg"), none, none);
        row("track web address", page("https://open.spotify.com/track/" + kTrackID),
            "spotify:track:" + kTrackID, none);
        row("track path as object path",
            QVariantMap{{"mpris:trackid",
                         QVariant::fromValue(QDBusObjectPath("/com/spotify/track/" + kTrackID))}},
            "spotify:track:" + kTrackID, none);
        row("other player's track path",
            QVariantMap{{"mpris:trackid", QVariant::fromValue(QDBusObjectPath("/org/example/7"))}},
            none, none);
        row("album web address is no track", page("https://open.spotify.com/album/" + kTrackID),
            none, none);
    }

    void mapsSpotifyAddresses()
    {
        auto [metadata, spotifyURI, artwork] =
            fetch<QVariantMap, QString, QString>("metadata", "spotifyURI", "artwork");
        const MprisTrackMetadata track(metadata);
        QCOMPARE(track.spotifyURI().value_or(QString()), spotifyURI);
        QCOMPARE(track.artworkAddress().value_or(QString()), artwork);
    }
};

QTEST_GUILESS_MAIN(MprisTransportTest)
#include "tst_mpris_transport.moc"
