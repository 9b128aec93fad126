#include "nowplaying/PlayerSymbolButton.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

PlayerSymbolButton::PlayerSymbolButton(int pointSize, QSize frame, QWidget *parent)
    : CrestPressButton(parent)
{
    setFixedSize(frame);
    setIconPoints(pointSize);
}

void PlayerSymbolButton::setDisc(const QColor &accent)
{
    m_disc = accent;
    update();
}

void PlayerSymbolButton::paintLabel(QPainter &painter)
{
    if (m_disc) {
        const QPointF centre = QRectF(rect()).center();
        const double r = std::min(width(), height()) / 2.0 - 0.25;
        QLinearGradient light(centre - QPointF(r, r), centre + QPointF(r, r));
        light.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.96f));
        light.setColorAt(1, *m_disc);
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.3f), 0.5));
        painter.setBrush(light);
        painter.drawEllipse(centre, r, r);
    }
    CrestPressButton::paintLabel(painter);
}
