#include "crest/CrestOutline.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace CrestOutline {

QRectF rect(double progress, double panelWidth, double notchWidth, double topHeight,
            double panelHeight)
{
    const double width = notchWidth + (panelWidth - notchWidth) * progress;
    const double height = topHeight + (panelHeight - topHeight) * progress;
    return QRectF((panelWidth - width) / 2, 0, width, height);
}

double radius(double progress)
{
    return kCollapsedRadius + (kExpandedRadius - kCollapsedRadius) * progress;
}

QPainterPath path(const QRectF &rect, double radius)
{
    const double r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    QPainterPath shape;
    shape.moveTo(rect.topLeft());
    shape.lineTo(rect.topRight());
    shape.lineTo(rect.right(), rect.bottom() - r);
    shape.arcTo(QRectF(rect.right() - 2 * r, rect.bottom() - 2 * r, 2 * r, 2 * r), 0, -90);
    shape.lineTo(rect.left() + r, rect.bottom());
    shape.arcTo(QRectF(rect.left(), rect.bottom() - 2 * r, 2 * r, 2 * r), 270, -90);
    shape.closeSubpath();
    return shape;
}

double spring(double from, double to, double elapsed, double response)
{
    if (elapsed <= 0)
        return from;
    const double omega = 2 * std::numbers::pi / response;
    const double x = omega * elapsed;
    return to + (from - to) * (1 + x) * std::exp(-x);
}

bool isSettled(double value, double to)
{
    return std::abs(value - to) < 0.001;
}

} // namespace CrestOutline
