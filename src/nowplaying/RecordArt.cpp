#include "nowplaying/RecordArt.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace {

QColor withOpacity(QColor color, double opacity)
{
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

} // namespace

RecordArt::RecordArt(const QColor &accent, bool active, QWidget *parent)
    : QWidget(parent), m_accent(accent), m_active(active)
{}

void RecordArt::paint(QPainter &painter, const QRectF &bounds, const QColor &accent, bool active)
{
    const double s = std::min(bounds.width(), bounds.height());
    const QRectF square(bounds.center() - QPointF(s / 2, s / 2), QSizeF(s, s));
    const QPointF centre = square.center();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sleeve(square.topLeft(), square.bottomRight());
    sleeve.setColorAt(0, withOpacity(accent, 0.2));
    sleeve.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0.035f));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sleeve);
    painter.drawRoundedRect(square, 15, 15);

    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.7f));
    painter.drawEllipse(square.adjusted(0.1 * s, 0.1 * s, -0.1 * s, -0.1 * s));

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.075f), 0.5));
    for (int i = 0; i < 4; ++i) {
        const double inset = s * (0.16 + 0.065 * i);
        painter.drawEllipse(square.adjusted(inset, inset, -inset, -inset));
    }

    painter.setPen(Qt::NoPen);
    painter.setBrush(withOpacity(accent, active ? 0.95 : 0.45));
    painter.drawEllipse(centre, 0.11 * s, 0.11 * s);
    painter.setBrush(Qt::black);
    painter.drawEllipse(centre, 2, 2);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.08f), 0.5));
    painter.drawRoundedRect(square, 15, 15);
    painter.restore();
}

void RecordArt::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, rect(), m_accent, m_active);
}
