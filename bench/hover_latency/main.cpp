#include "../ScreenProbe.h"

#include <QCursor>

#include <algorithm>
#include <cstdio>
#include <vector>

// Hover latency of a running crest: moves the pointer onto the notch and
// times the first expanded pixel below it, as another program on the same
// display sees the screen. Usage: bench_hover_latency [rounds]
using namespace ScreenProbe;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    const QRect frame = screen()->geometry();
    const QPoint away(frame.left() + 10, frame.bottom() - 10);
    const QPoint notch(frame.center().x() + 1, frame.top() + 15);
    // Just below the notch's 32 points: black only once the crest expands.
    const QPoint below(frame.center().x() + 1, frame.top() + 36);

    std::vector<double> latencies;
    for (int round = 0; round < rounds; ++round) {
        QCursor::setPos(away);
        if (waitFor([&] { return !isBlack(below); }, 5000) < 0)
            break;
        // Arrive at a random phase of whatever timer the crest runs.
        QThread::msleep(600 + 37 * round % 50);
        QCursor::setPos(notch);
        const double latency = waitFor([&] { return isBlack(below); }, 3000);
        if (latency >= 0)
            latencies.push_back(latency);
    }
    QCursor::setPos(away);
    if (latencies.empty()) {
        std::fprintf(stderr, "the crest never expanded\n");
        return 1;
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("hover latency over %zu rounds: %.0f-%.0f ms (median %.0f)\n", latencies.size(),
                latencies.front(), latencies.back(), latencies[latencies.size() / 2]);
    return 0;
}
