#include "platform/desktop/QtScreenSource.h"

#include <QGuiApplication>
#include <QScreen>

QtScreenSource::QtScreenSource(QObject *parent) : ScreenSource(parent)
{
    for (QScreen *screen : QGuiApplication::screens())
        watch(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen *screen) {
        watch(screen);
        emit screensChanged();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &ScreenSource::screensChanged);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &ScreenSource::screensChanged);
}

void QtScreenSource::watch(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, this, &ScreenSource::screensChanged);
    // A panel or dock appearing changes where the lyrics panel may sit.
    connect(screen, &QScreen::availableGeometryChanged, this, &ScreenSource::screensChanged);
}

QList<ScreenInfo> QtScreenSource::screens() const
{
    QList<ScreenInfo> result;
    for (QScreen *screen : QGuiApplication::screens())
        result.append(ScreenInfo{QRectF(screen->geometry()), 0, std::nullopt, std::nullopt,
                                 QRectF(screen->availableGeometry())});
    return result;
}

qsizetype QtScreenSource::primaryIndex() const
{
    return QGuiApplication::screens().indexOf(QGuiApplication::primaryScreen());
}
