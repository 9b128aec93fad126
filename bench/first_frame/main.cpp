#include "../ScreenProbe.h"

#include <QProcess>

#include <cstdio>

// Start-up time as a person sees it: from starting a program to the first
// black pixel of the notch on the screen. The program inherits this
// environment and is ended with SIGTERM afterwards.
// Usage: bench_first_frame <label> <program> [arguments...]
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_first_frame <label> <program> [arguments...]\n");
        return 2;
    }
    const QRect frame = ScreenProbe::screen()->geometry();
    const QPoint notch(frame.center().x() + 1, frame.top() + 10);
    // The program measured before may still be leaving the screen.
    if (ScreenProbe::waitFor([&] { return !ScreenProbe::isBlack(notch); }, 5000) < 0) {
        std::fprintf(stderr, "something already covers the notch\n");
        return 1;
    }
    QStringList arguments = app.arguments().mid(3);
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer clock;
    clock.start();
    program.start(QString::fromLocal8Bit(argv[2]), arguments);
    const bool shown =
        ScreenProbe::waitFor([&] { return ScreenProbe::isBlack(notch); }, 10000) >= 0;
    const double elapsed = clock.nsecsElapsed() / 1e6;
    program.terminate();
    program.waitForFinished(10000);
    if (!shown) {
        std::fprintf(stderr, "%s never showed the notch\n", argv[1]);
        return 1;
    }
    std::printf("%-24s %10.0f ms to the first frame\n", argv[1], elapsed);
    return 0;
}
