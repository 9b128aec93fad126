#include "../ProcessUsage.h"
#include "../ScreenProbe.h"
#include "support/FakeMprisPlayer.h"
#include "support/TestHttpServer.h"

#include <QCursor>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

// The program's cost while a song plays with its lyrics floating: a fake
// Spotify on the session bus and a local lyrics service (both answered from
// this process), the crest opened once to show the lyrics, then left alone.
// Prints the program's CPU use (percent of one core) over the window and its
// resident memory. Usage: bench_playing_lyrics <program> [seconds]
namespace {

using ProcessUsage::usage;

constexpr char kLyrics[] =
    R"({"trackName":"Song","artistName":"A","duration":215,"instrumental":false,)"
    R"("plainLyrics":"One\nTwo","syncedLyrics":"[00:40.00]One\n[00:45.00]Two"})";

// Runs this program's events (the fake player's answers) for `ms`.
void idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void click(QPoint point)
{
    QCursor::setPos(point);
    idle(200);
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_playing_lyrics <program> [seconds]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::max(1, atoi(argv[2])) : 20;

    FakeMprisPlayer player;
    if (!player.start()) {
        std::fprintf(stderr, "no session bus for the fake Spotify\n");
        return 1;
    }
    player.setPlayerProperty(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing"));
    player.setPlayerProperty(QStringLiteral("Position"), qlonglong(42'000'000));
    player.setPlayerProperty(QStringLiteral("Metadata"),
                             FakeMprisPlayer::spotifyMetadata(
                                 QStringLiteral("6rqhFgbbKwnb9MLmUQDhG6"), QStringLiteral("Song"),
                                 {"A"}, QStringLiteral("Album"), 215'000'000));
    TestHttpServer lyrics;
    lyrics.route(QStringLiteral("/api/get"),
                 TestHttpServer::Response::ok("application/json", kLyrics));

    QTemporaryDir home;
    QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("VELLOWAY_LYRICS_LOCAL_PORT"), QString::number(lyrics.port()));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QString::fromLocal8Bit(argv[1]), {});

    using ScreenProbe::isBlack;
    using ScreenProbe::waitFor;
    const QRect frame = ScreenProbe::screen()->geometry();
    const int left = frame.center().x() - 330;
    const QPoint playButton(left + 205, frame.top() + 75);
    const auto lyricsShown = [] {
        QProcess search; // its output, the window's id, is not wanted
        search.start(QStringLiteral("xdotool"),
                     {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                      QStringLiteral("--name"), QStringLiteral("^Velloway Lyrics$")});
        return search.waitForFinished() && search.exitCode() == 0;
    };
    QCursor::setPos(frame.center().x(), frame.top() + 15);
    const char *missing = nullptr;
    // Open, black below the notch, with the light disc of the play button.
    const QPoint belowNotch(frame.center().x(), frame.top() + 120);
    if (waitFor([&] { return isBlack(belowNotch) && !isBlack(playButton); }, 15000) < 0)
        missing = "the fake song never showed";
    else if (click(QPoint(left + 58, frame.top() + 98)); waitFor(lyricsShown, 10000) < 0)
        missing = "the floating lyrics never showed";
    else if (waitFor([&] { return lyrics.requestCount() > 0; }, 10000) < 0)
        missing = "the lyrics were never asked for";
    QCursor::setPos(frame.left() + 10, frame.bottom() - 10);
    if (missing) {
        std::fprintf(stderr, "%s\n", missing);
        program.kill();
        program.waitForFinished();
        return 1;
    }
    // Let the crest close and settle, answering the program meanwhile.
    idle(3000);
    const qint64 pid = program.processId();
    const qint64 before = usage(pid).first;
    idle(seconds * 1000);
    const auto [after, rss] = usage(pid);
    program.terminate();
    program.waitForFinished(10000);
    std::printf("%-24s %13.2f %% %11.1f MB\n", "playing, lyrics shown",
                100.0 * double(after - before) / double(sysconf(_SC_CLK_TCK)) / seconds,
                double(rss) / 1024);
    return 0;
}
