#include "ui/CrestTypography.h"

#include <QGuiApplication>
#include <QScreen>

namespace CrestTypography {

QFont font(double points, QFont::Weight weight)
{
    QFont font = QGuiApplication::font();
    // Qt's point is 1/72 inch; a crest point is one logical pixel.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    font.setPointSizeF(points * 72.0 / dpi);
    font.setWeight(weight);
    return font;
}

} // namespace CrestTypography
