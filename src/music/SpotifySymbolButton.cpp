#include "music/SpotifySymbolButton.h"

#include "crest/CrestStyle.h"
#include "crest/SymbolIcons.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

SpotifySymbolButton::SpotifySymbolButton(double pointSize, QSize frame, QWidget *parent)
    : QAbstractButton(parent), m_pointSize(pointSize)
{
    setFixedSize(frame);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void SpotifySymbolButton::setSymbol(const QString &symbol)
{
    if (m_symbol == symbol)
        return;
    m_symbol = symbol;
    update();
}

void SpotifySymbolButton::setColor(const QColor &color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}

void SpotifySymbolButton::setDisc(const QColor &accent)
{
    m_disc = accent;
    update();
}

void SpotifySymbolButton::setLabel(const QString &help, const QString &accessibleName)
{
    setToolTip(help);
    setAccessibleName(accessibleName);
}

void SpotifySymbolButton::applyPress(QPainter &painter, const QAbstractButton &button)
{
    const bool pressed = button.isDown();
    painter.setOpacity(CrestPressStyle::opacity(button.isEnabled(), pressed));
    const double scale = CrestPressStyle::scale(button.isEnabled(), pressed, false);
    const QPointF centre = QRectF(button.rect()).center();
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);
}

void SpotifySymbolButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    applyPress(painter, *this);
    painter.translate(QRectF(rect()).center());
    if (m_disc) {
        painter.setRenderHint(QPainter::Antialiasing);
        const double r = std::min(width(), height()) / 2.0 - 0.25;
        QLinearGradient light(-r, -r, r, r);
        light.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.96f));
        light.setColorAt(1, *m_disc);
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.3f), 0.5));
        painter.setBrush(light);
        painter.drawEllipse(QPointF(), r, r);
    }
    const QSizeF size(m_pointSize, m_pointSize);
    const QPixmap symbol = SymbolIcons::tinted(m_symbol, size, m_color, devicePixelRatioF());
    painter.drawPixmap(QPointF(-size.width() / 2, -size.height() / 2), symbol);
}
