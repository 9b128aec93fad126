#include "../ProcessUsage.h"
#include "core/SystemClock.h"
#include "core/TimerScheduler.h"
#include "nowplaying/NowPlayingView.h"
#include "platform/dbus/MprisServiceDirectory.h"
#include "players/model/PlayerController.h"
#include "players/mpris/MprisPlayerBridge.h"
#include "support/FakeMprisPlayer.h"
#include "support/PlayerFakes.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

// Figures of the MPRIS players, each beside its yardstick from the same run:
//   steady <program> <bare panel> [seconds]: three players playing (Spotify,
//     VLC, mpv) to the running program with all its rows started: method
//     calls per second the players receive (beside a plain poller asking
//     one player once a second), and the program's CPU and memory (beside a
//     bare Qt panel with a 0.05 s timer);
//   signal [rounds]: a player's PropertiesChanged to the new title in the
//     now-playing view (beside a bare QtDBus receiver of the same signal);
//   storm <program> [seconds]: 200 players at once and one name coming and
//     going 100 times a second: the program's CPU during and after, and its
//     memory before and after;
//   flap [seconds]: only the coming and going, as load for another bench.
namespace {

using ProcessUsage::usage;

const QString kTitle = QStringLiteral("xesam:title");

void idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A program started with folders of its own.
struct Program
{
    QTemporaryDir home;
    QProcess process;

    explicit Program(const QString &binary)
    {
        QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(binary, {});
        process.waitForStarted();
    }
    ~Program()
    {
        process.terminate();
        if (!process.waitForFinished(10000))
            process.kill();
    }
    // CPU (percent of one core) over `seconds` of this process's events, and
    // resident MB at the end.
    std::pair<double, double> measure(int seconds)
    {
        const qint64 before = usage(process.processId()).first;
        idle(seconds * 1000);
        const auto [after, rss] = usage(process.processId());
        return {100.0 * double(after - before) / double(sysconf(_SC_CLK_TCK)) / seconds,
                double(rss) / 1024};
    }
};

std::unique_ptr<FakeMprisPlayer> playing(const QString &name, const QString &title)
{
    auto player = std::make_unique<FakeMprisPlayer>(name);
    player->setPlayerProperty(QStringLiteral("PlaybackStatus"), QStringLiteral("Playing"));
    player->setPlayerProperty(QStringLiteral("Position"), qlonglong(42'000'000));
    player->setPlayerProperty(QStringLiteral("Metadata"),
                              FakeMprisPlayer::standardMetadata(QStringLiteral("/track/1"), title,
                                                                {"A"}, QStringLiteral("Album"),
                                                                215'000'000));
    player->start();
    return player;
}

qsizetype callCount(const FakeMprisPlayer &player)
{
    qsizetype count = 0;
    for (const char *method : {"Get", "GetAll", "Set"})
        count += player.calls(QString::fromLatin1(method)).size();
    return count;
}

void printRow(const char *label, double cpu, double mb)
{
    std::printf("%-32s %10.2f %% %9.1f MB\n", label, cpu, mb);
}

int steady(const QString &binary, const QString &bare, int seconds)
{
    std::vector<std::unique_ptr<FakeMprisPlayer>> players;
    players.push_back(playing(QStringLiteral("org.mpris.MediaPlayer2.spotify"), "Song"));
    players.push_back(playing(QStringLiteral("org.mpris.MediaPlayer2.vlc"), "Blue"));
    players.push_back(playing(QStringLiteral("org.mpris.MediaPlayer2.mpv"), "Green"));
    auto polled = playing(QStringLiteral("org.mpris.MediaPlayer2.polled"), "Red");
    // The yardstick: a plain poller, one GetAll a second.
    QTimer poller;
    QObject::connect(&poller, &QTimer::timeout, [] {
        auto message = QDBusMessage::createMethodCall(
            QStringLiteral("org.mpris.MediaPlayer2.polled"),
            QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"));
        message << QStringLiteral("org.mpris.MediaPlayer2.Player");
        QDBusConnection::sessionBus().asyncCall(message);
    });
    poller.start(1000);

    std::pair<double, double> bareCost;
    {
        Program panel(bare);
        idle(3000);
        bareCost = panel.measure(seconds);
    }
    Program program(binary);
    idle(4000); // started, every player read once
    std::vector<qsizetype> before;
    for (const auto &player : players)
        before.push_back(callCount(*player));
    const qsizetype polledBefore = callCount(*polled);
    const auto cost = program.measure(seconds);
    std::printf("method calls per second to a steadily playing player, over %d s "
                "(calls of its first reading)\n",
                seconds);
    const char *names[] = {"Spotify", "VLC", "mpv"};
    for (size_t i = 0; i < players.size(); ++i)
        std::printf("  %-30s %8.2f (%lld)\n", names[i],
                    double(callCount(*players[i]) - before[i]) / seconds, qlonglong(before[i]));
    std::printf("  %-30s %8.2f\n", "yardstick: a 1 s poller",
                double(callCount(*polled) - polledBefore) / seconds);
    std::printf("idle cost over %d s                CPU       resident\n", seconds);
    printRow("bare Qt panel (0.05 s timer)", bareCost.first, bareCost.second);
    printRow("program, 3 players playing", cost.first, cost.second);
    return 0;
}

int signal(int rounds)
{
    auto player = playing(QStringLiteral("org.mpris.MediaPlayer2.vlc"), "Start");
    RecordingWorkspace workspace;
    MprisServiceDirectory directory(QDBusConnection::sessionBus());
    auto bridge = std::make_unique<MprisPlayerBridge>(
        MusicSource::mpris, QStringLiteral("org.mpris.MediaPlayer2.vlc"), false, directory,
        QDBusConnection::sessionBus(), TimerScheduler::shared(), SystemClock::shared());
    MprisPlayerBridge *bus = bridge.get();
    PlayerController controller(MusicSource::mpris, std::move(bridge), std::make_unique<NoCovers>(),
                                {TimerScheduler::shared(), SystemClock::shared(), workspace},
                                [bus] { return bus->processID(); });
    NowPlayingView view(controller, 0, QColor(Qt::green));
    view.resize(300, 118);
    view.show();
    controller.start();

    QElapsedTimer clock;
    idle(1000);

    std::vector<double> screen, bareTimes;
    for (int round = 0; round < rounds; ++round) {
        const QString title = QStringLiteral("Title %1").arg(round);
        // The yardstick: a bare receiver of the same signal, which goes away
        // when it arrives.
        QPointer<QObject> probe(new QObject);
        QDBusConnection::sessionBus().connect(
            player->uniqueName(), QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
            probe.data(), SLOT(deleteLater()));
        QVariantMap metadata = player->playerProperty(QStringLiteral("Metadata")).toMap();
        metadata.insert(kTitle, title);
        clock.start();
        player->setPlayerProperty(QStringLiteral("Metadata"), metadata);
        double bare = -1, shown = -1;
        while (clock.elapsed() < 2000 && (shown < 0 || bare < 0)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            if (bare < 0 && !probe)
                bare = double(clock.nsecsElapsed()) / 1e6;
            if (shown < 0) {
                for (QLabel *label : view.findChildren<QLabel *>()) {
                    if (label->text() == title && label->isVisible())
                        shown = double(clock.nsecsElapsed()) / 1e6;
                }
            }
        }
        delete probe.data(); // never reached: its connection goes with it
        screen.push_back(shown);
        bareTimes.push_back(bare);
        idle(50);
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    std::printf("signal to screen over %d rounds (median ms)\n", rounds);
    std::printf("  %-30s %8.2f\n", "now-playing view", median(screen));
    std::printf("  %-30s %8.2f\n", "yardstick: bare QtDBus receiver", median(bareTimes));
    return 0;
}

// One name comes and goes `perSecond` times a second for `seconds`.
void flap(int seconds, int perSecond)
{
    FakeMprisPlayer flapping(QStringLiteral("org.mpris.MediaPlayer2.flapping"));
    QElapsedTimer clock;
    clock.start();
    int step = 0;
    while (clock.elapsed() < seconds * 1000) {
        if (step++ % 2 == 0)
            flapping.start();
        else
            flapping.vanish();
        idle(1000 / perSecond / 2);
    }
    flapping.vanish();
}

int storm(const QString &binary, int seconds)
{
    Program program(binary);
    idle(4000);
    const auto calm = program.measure(3);
    const auto cpuSince = [&program, seconds](qint64 before) {
        const auto [after, rss] = usage(program.process.processId());
        return std::pair(100.0 * double(after - before) / double(sysconf(_SC_CLK_TCK)) / seconds,
                         double(rss) / 1024);
    };
    qint64 before = usage(program.process.processId()).first;
    flap(seconds, 100);
    const auto flapping = cpuSince(before);
    idle(3000);
    const auto afterFlapping = program.measure(5);

    before = usage(program.process.processId()).first;
    std::vector<std::unique_ptr<FakeMprisPlayer>> crowd;
    for (int i = 0; i < 200; ++i)
        crowd.push_back(playing(QStringLiteral("org.mpris.MediaPlayer2.crowd%1").arg(i),
                                QStringLiteral("Song %1").arg(i)));
    idle(seconds * 1000);
    const auto crowded = cpuSince(before);
    crowd.clear();
    idle(3000);
    const auto settled = program.measure(5);
    std::printf("a storm of names, %d s each            CPU       resident\n", seconds);
    printRow("before (calm)", calm.first, calm.second);
    printRow("a name flapping 100 times/s", flapping.first, flapping.second);
    printRow("after the flapping", afterFlapping.first, afterFlapping.second);
    printRow("200 players at once", crowded.first, crowded.second);
    printRow("after they left", settled.first, settled.second);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.value(1);
    const auto number = [&args](int index, int fallback) {
        bool ok = false;
        const int value = args.value(index).toInt(&ok);
        return ok && value > 0 ? value : fallback;
    };
    if (mode == QLatin1String("steady") && args.size() >= 4)
        return steady(args[2], args[3], number(4, 10));
    if (mode == QLatin1String("signal"))
        return signal(number(2, 20));
    if (mode == QLatin1String("storm") && args.size() >= 3)
        return storm(args[2], number(3, 10));
    if (mode == QLatin1String("flap")) {
        flap(number(2, 10), 100);
        return 0;
    }
    std::fprintf(stderr, "usage: bench_mpris_players steady <program> <bare panel> [seconds] | "
                         "signal [rounds] | storm <program> [seconds] | flap [seconds]\n");
    return 2;
}
