#include "platform/dbus/MprisNotificationCenter.h"
#include "platform/dbus/MprisServiceDirectory.h"
#include "support/FakeMprisPlayer.h"

#include <QCoreApplication>
#include <QTest>

namespace {
const QString kSpotify = QStringLiteral("org.mpris.MediaPlayer2.spotify");
const QString kSpotifyChanged = QStringLiteral("com.spotify.client.PlaybackStateChanged");
} // namespace

class MprisNotificationsTest : public QObject
{
    Q_OBJECT

private slots:
    void directoryFollowsOwnersAndProcesses()
    {
        FakeMprisPlayer early(kSpotify);
        QVERIFY(early.start());
        MprisServiceDirectory directory(QDBusConnection::sessionBus());
        QTRY_COMPARE(directory.owners(kSpotify), QStringList{early.uniqueName()});
        QTRY_COMPARE(directory.processID(kSpotify),
                     std::optional(qint32(QCoreApplication::applicationPid())));

        FakeMprisPlayer instance(kSpotify + ".instance42");
        FakeMprisPlayer lookalike(kSpotify + "-beta");
        QVERIFY(instance.start());
        QVERIFY(lookalike.start());
        QTRY_COMPARE(directory.owners(kSpotify),
                     (QStringList{early.uniqueName(), instance.uniqueName()}));

        early.vanish();
        QTRY_COMPARE(directory.owners(kSpotify), QStringList{instance.uniqueName()});
        instance.vanish();
        QTRY_COMPARE(directory.owners(kSpotify), QStringList());
        QCOMPARE(directory.processID(kSpotify), std::nullopt);
    }

    void playerSignalsReachOnlyItsObservers()
    {
        MprisNotificationCenter center(QDBusConnection::sessionBus());
        int spotifyChanges = 0;
        int otherChanges = 0;
        CancelHandle spotify = center.observe(kSpotifyChanged, [&] { ++spotifyChanges; });
        CancelHandle music = center.observe("com.apple.Music.playerInfo", [&] { ++otherChanges; });

        auto player = std::make_unique<FakeMprisPlayer>(kSpotify);
        FakeMprisPlayer other(QStringLiteral("org.mpris.MediaPlayer2.vlc"));
        QVERIFY(player->start());
        QVERIFY(other.start());
        player->setPlayerProperty("PlaybackStatus", "Playing");
        QTRY_COMPARE(spotifyChanges, 1);
        player->emitSeeked(5'000'000);
        QTRY_COMPARE(spotifyChanges, 2);
        player->setPlayerProperty("Position", qlonglong(6'000'000)); // never announced
        other.setPlayerProperty("PlaybackStatus", "Playing");
        other.emitSeeked(1);
        player->setPlayerProperty("Volume", 0.5);
        QTRY_COMPARE(spotifyChanges, 3);

        // A restarted player has a new connection and is followed all the same.
        player = std::make_unique<FakeMprisPlayer>(kSpotify);
        QVERIFY(player->start());
        player->setPlayerProperty("PlaybackStatus", "Paused");
        QTRY_COMPARE(spotifyChanges, 4);

        int laterChanges = 0;
        CancelHandle later = center.observe(kSpotifyChanged, [&] { ++laterChanges; });
        spotify.cancel();
        player->setPlayerProperty("PlaybackStatus", "Playing");
        QTRY_COMPARE(laterChanges, 1);
        QCOMPARE(spotifyChanges, 4);
        QCOMPARE(otherChanges, 0);
    }
};

QTEST_GUILESS_MAIN(MprisNotificationsTest)
#include "tst_mpris_notifications.moc"
