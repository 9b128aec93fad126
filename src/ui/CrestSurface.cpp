#include "ui/CrestSurface.h"

#include "ui/CrestStyle.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

using CrestStyle::white;

CrestSurface::CrestSurface(double radius, QWidget *parent) : QWidget(parent), m_radius(radius) {}

void CrestSurface::paint(QPainter &painter, const QRectF &rect, double radius)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(rect.topLeft(), rect.bottomRight());
    fill.setColorAt(0.0, white(0.065));
    fill.setColorAt(1.0, white(0.025));
    QPainterPath card;
    card.addRoundedRect(rect, radius, radius);
    painter.fillPath(card, fill);

    // The edge lies inside the card: inset by half its width.
    constexpr double kEdgeWidth = 0.5;
    const QRectF edgeRect =
        rect.adjusted(kEdgeWidth / 2, kEdgeWidth / 2, -kEdgeWidth / 2, -kEdgeWidth / 2);
    QLinearGradient edge(rect.topLeft(), rect.bottomRight());
    edge.setColorAt(0.0, white(0.14));
    edge.setColorAt(0.5, white(0.035));
    edge.setColorAt(1.0, white(0.075));
    painter.setPen(QPen(QBrush(edge), kEdgeWidth));
    painter.setBrush(Qt::NoBrush);
    const double edgeRadius = qMax(0.0, radius - kEdgeWidth / 2);
    painter.drawRoundedRect(edgeRect, edgeRadius, edgeRadius);
    painter.restore();
}

void CrestSurface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, rect(), m_radius);
}
