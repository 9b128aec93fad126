#pragma once

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>

// What another program on the same display sees of the crest: single
// pixels read off the screen, polled until they change.
namespace ScreenProbe {

inline QScreen *screen()
{
    return QGuiApplication::primaryScreen();
}

inline bool isBlack(QPoint point)
{
    const QImage pixel = screen()->grabWindow(0, point.x(), point.y(), 1, 1).toImage();
    return !pixel.isNull() && pixel.pixelColor(0, 0) == QColor(Qt::black);
}

// Polls `done` until it holds or `limitMs` pass, letting this program's own
// events run between polls; answers the wait in ms, or -1 on timeout.
template <typename Predicate> double waitFor(Predicate done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < limitMs) {
        if (done())
            return clock.nsecsElapsed() / 1e6;
        QCoreApplication::processEvents();
        QThread::usleep(500);
    }
    return -1;
}

} // namespace ScreenProbe
