#include "support/FakeMprisPlayer.h"
#include "support/PrivateSessionBus.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

class PlayersReportTest : public QObject
{
    Q_OBJECT

    // Runs `velloway --players` with the extra arguments; the fake player
    // answers from this thread meanwhile. Standard output and the status.
    std::pair<QByteArray, int> report(const QStringList &extra)
    {
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            const QString dir = home.path() + QLatin1Char('/') + QLatin1String(name);
            QDir().mkpath(dir);
            QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            env.insert(QString::fromLatin1(name), dir);
        }
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QSignalSpy finished(&program, &QProcess::finished);
        QElapsedTimer clock;
        clock.start();
        program.start(qEnvironmentVariable("VELLOWAY_BINARY"), QStringList{"--players"} + extra);
        if (!finished.wait(15'000))
            return {};
        // The bridges' budgets bound the whole report.
        [&] { QVERIFY2(clock.elapsed() < 6'000, qPrintable(QString::number(clock.elapsed()))); }();
        // A look changes nothing: no extension, no settings, no data.
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            const QDir dir(home.path() + QLatin1Char('/') + QLatin1String(name));
            [&] {
                QCOMPARE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
            }();
        }
        return {program.readAllStandardOutput(), program.exitCode()};
    }

    PrivateSessionBus m_bus;

private slots:
    void initTestCase() { QVERIFY(m_bus.start()); }

    void reportsThePlayingSpotifyAsTheOneShown()
    {
        FakeMprisPlayer player;
        QVERIFY(player.start());
        // Seventeen other players, paused: sixteen are listed, one left out.
        std::vector<std::unique_ptr<FakeMprisPlayer>> others;
        for (int i = 0; i < 17; ++i) {
            auto &other = others.emplace_back(std::make_unique<FakeMprisPlayer>(
                QStringLiteral("org.mpris.MediaPlayer2.other%1").arg(i)));
            other->setPlayerProperty("PlaybackStatus", "Paused");
            other->setPlayerProperty("Metadata", FakeMprisPlayer::standardMetadata(
                                                     "/track/1", "Clip", {}, "", 60'000'000));
            QVERIFY(other->start());
        }
        player.setPlayerProperty("PlaybackStatus", "Playing");
        player.setPlayerProperty("Position", qlonglong(42'500'000));
        player.setPlayerProperty("Metadata",
                                 FakeMprisPlayer::spotifyMetadata("6rqhFgbbKwnb9MLmUQDhG6", "Song",
                                                                  {"A"}, "Album", 215'000'000));

        const auto [json, status] = report({"--json"});
        QCOMPARE(status, 0);
        const QJsonObject document = QJsonDocument::fromJson(json).object();
        QCOMPARE(document["active"].toString(), "spotify");
        const QJsonArray players = document["players"].toArray();
        QCOMPARE(players.size(), 7 + 16);
        QCOMPARE(document["leftOut"].toInt(), 1);
        const QJsonObject other = players[7].toObject();
        // Names already on the bus at start come in the bus's listing order.
        QVERIFY(other["busName"].toString().startsWith("org.mpris.MediaPlayer2.other"));
        QCOMPARE(other["song"].toObject()["trackID"].toString(), "/track/1");
        QCOMPARE(other["song"].toObject()["canSeek"], true);
        const QJsonObject spotify = players[0].toObject();
        QCOMPARE(spotify["running"], true);
        QCOMPARE(spotify["state"].toString(), "ready");
        QCOMPARE(spotify["active"], true);
        const QJsonObject song = spotify["song"].toObject();
        QCOMPARE(song["title"].toString(), "Song");
        QCOMPARE(song["playing"], true);
        QCOMPARE(song["duration"].toDouble(), 215.0);
        QVERIFY(qAbs(song["position"].toDouble() - 42.5) < 1); // read, then playing on
        const QJsonObject appleMusic = players[1].toObject();
        // Apple Music's web player is there wherever one of the browsers is.
        QCOMPARE(appleMusic["installed"].toBool(),
                 std::any_of(players.begin() + 2, players.begin() + 6,
                             [](const QJsonValue &p) { return p["installed"].toBool(); }));
        // A browser another test runs makes the web player's row "running".
        const bool browserRuns =
            std::any_of(players.begin() + 2, players.begin() + 6,
                        [](const QJsonValue &p) { return p["running"].toBool(); });
        QCOMPARE(appleMusic["statusMessage"].toString(),
                 browserRuns ? "Allow local access to the current song and playback controls."
                             : "Open Apple Music to see your current song here.");

        const auto [text, textStatus] = report({});
        QCOMPARE(textStatus, 0);
        QVERIFY2(text.startsWith("* Spotify: "), text.constData());
        QVERIFY(text.contains("Playing \u201CSong\u201D by A, 0:42 of 3:35"));
        QVERIFY(QString::fromUtf8(text).contains(QRegularExpression(
            u"\n  other\\d+ \\(org\\.mpris\\.MediaPlayer2\\.other\\d+\\): "
            u"running, connected\\. Paused \u201CClip\u201D, 0:00 of 1:00\n"_s)));
        QVERIFY(text.contains("(1 more players on the bus were left out)"));
    }
};

QTEST_GUILESS_MAIN(PlayersReportTest)
#include "tst_players_report.moc"
