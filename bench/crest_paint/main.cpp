#include "crest/CrestPanel.h"
#include "support/CrestFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int kFrames = 600;

// The yardstick: the least a panel of the crest's size costs to paint.
class BarePanel final : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Qt::black); }
};

struct Frames
{
    double median;
    double worst;
    // On this thread's CPU clock: what the painting itself costs, without
    // the waits of a machine busy with other work.
    double cpuMedian;
    double cpuWorst;
};

double cpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

std::pair<double, double> medianAndWorst(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.back()};
}

// Paints `widget` into an image of its window's pixels `kFrames` times, as
// the software raster backing store does, calling `between` before each.
Frames paint(QWidget &widget, const std::function<void()> &between)
{
    const double ratio = widget.devicePixelRatioF();
    QImage target(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    target.setDevicePixelRatio(ratio);
    std::vector<double> frames;
    std::vector<double> cpu;
    QElapsedTimer timer;
    for (int i = 0; i < kFrames; ++i) {
        between();
        const double cpuStart = cpuMilliseconds();
        timer.start();
        widget.render(&target);
        frames.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(cpuMilliseconds() - cpuStart);
    }
    const auto [median, worst] = medianAndWorst(frames);
    const auto [cpuMedian, cpuWorst] = medianAndWorst(cpu);
    return {median, worst, cpuMedian, cpuWorst};
}

} // namespace

// Painting the expanded crest with a playing song (cover, blurred
// background, scrubber), frame after frame while the song moves on.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

    CrestFixture crest;
    crest.play(true);
    crest.state.setExpanded(true);
    crest.time.advance(1); // the crest has opened fully
    const Frames playing = paint(*crest.panel, [&] {
        crest.time.advance(1.0 / 60); // polls move the position and the scrubber
        QCoreApplication::processEvents();
    });

    BarePanel bare;
    bare.resize(crest.panel->size());
    const Frames yardstick = paint(bare, [] {});

    std::printf("crest_paint: %d frames of %dx%d points at device pixel ratio %.0f\n", kFrames,
                crest.panel->width(), crest.panel->height(), crest.panel->devicePixelRatioF());
    const auto report = [](const char *name, const Frames &frames) {
        std::printf("%s: median %.3f ms, worst %.3f ms; cpu median %.3f ms, worst %.3f ms\n", name,
                    frames.median, frames.worst, frames.cpuMedian, frames.cpuWorst);
    };
    report("expanded crest, playing song (target < 4 ms)", playing);
    report("bare panel (yardstick)", yardstick);
    return 0;
}
