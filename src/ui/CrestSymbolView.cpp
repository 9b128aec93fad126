#include "ui/CrestSymbolView.h"

#include "ui/SymbolIcons.h"

#include <QPainter>

CrestSymbolView::CrestSymbolView(const QString &symbol, int points, const QColor &color,
                                 QWidget *parent)
    : QWidget(parent), m_symbol(symbol), m_color(color)
{
    setFixedSize(points, points);
}

void CrestSymbolView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, SymbolIcons::tinted(m_symbol, size(), m_color, devicePixelRatioF()));
}
