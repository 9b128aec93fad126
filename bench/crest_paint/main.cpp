#include "crest/CrestPanel.h"
#include "support/CrestFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QPainter>

#include <algorithm>
#include <cstdio>
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
};

// Paints `widget` into an image of its window's pixels `kFrames` times, as
// the software raster backing store does, calling `between` before each.
Frames paint(QWidget &widget, const std::function<void()> &between)
{
    const double ratio = widget.devicePixelRatioF();
    QImage target(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    target.setDevicePixelRatio(ratio);
    std::vector<double> frames;
    QElapsedTimer timer;
    for (int i = 0; i < kFrames; ++i) {
        between();
        timer.start();
        widget.render(&target);
        frames.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(frames.begin(), frames.end());
    return {frames[frames.size() / 2], frames.back()};
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
    crest.setExpanded(true);
    const Frames playing = paint(*crest.panel, [&] {
        crest.time.advance(1.0 / 60); // polls move the position and the scrubber
        QCoreApplication::processEvents();
    });

    BarePanel bare;
    bare.resize(crest.panel->size());
    const Frames yardstick = paint(bare, [] {});

    std::printf("crest_paint: %d frames of %dx%d points at device pixel ratio %.0f\n", kFrames,
                crest.panel->width(), crest.panel->height(), crest.panel->devicePixelRatioF());
    std::printf("expanded crest, playing song: median %.3f ms, worst %.3f ms (target < 4 ms)\n",
                playing.median, playing.worst);
    std::printf("bare panel (yardstick):       median %.3f ms, worst %.3f ms\n", yardstick.median,
                yardstick.worst);
    return 0;
}
