#include "lyrics/window/LyricsProgressView.h"

#include "ui/CrestStyle.h"

#include <QPainter>
#include <QVariantAnimation>

LyricsProgressView::LyricsProgressView(QWidget *parent)
    : QWidget(parent), m_turn(new QVariantAnimation(this))
{
    setFixedSize(14, 14);
    m_turn->setStartValue(0.0);
    m_turn->setEndValue(360.0);
    m_turn->setDuration(900);
    m_turn->setLoopCount(-1);
    connect(m_turn, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

void LyricsProgressView::showEvent(QShowEvent *)
{
    m_turn->start();
}

void LyricsProgressView::hideEvent(QHideEvent *)
{
    m_turn->stop();
}

void LyricsProgressView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(CrestStyle::white(0.55), 1.6, Qt::SolidLine, Qt::RoundCap));
    // Qt measures arcs in sixteenths of a degree.
    const int start = int(-m_turn->currentValue().toDouble() * 16);
    painter.drawArc(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), start, 270 * 16);
}
