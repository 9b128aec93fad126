#include "lyrics/window/LyricsGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace LyricsGlyphs {

namespace {

// Each shape is drawn in a 16 x 16 box.
constexpr double kBox = 16;

QPainterPath arrow()
{
    QPainterPath path;
    path.moveTo(3, 1);
    path.lineTo(3, 13.5);
    path.lineTo(6.2, 10.6);
    path.lineTo(8.6, 15);
    path.lineTo(10.6, 14);
    path.lineTo(8.3, 9.7);
    path.lineTo(12.5, 9.5);
    path.closeSubpath();
    return path;
}

void draw(QPainter &painter, Glyph glyph, const QColor &color)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    QPen stroke(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (glyph) {
    case Glyph::musicNote: {
        painter.drawEllipse(QRectF(2, 10, 6, 4.6));
        painter.drawRect(QRectF(6.4, 2, 1.6, 10.5));
        QPainterPath flag;
        flag.moveTo(8, 2);
        flag.cubicTo(9, 4.5, 13.5, 4.5, 12.5, 9);
        flag.cubicTo(12, 6.5, 10, 6.5, 8, 6);
        painter.drawPath(flag);
        break;
    }
    case Glyph::ellipsis:
        for (double x : {3.0, 8.0, 13.0})
            painter.drawEllipse(QPointF(x, 8), 1.6, 1.6);
        break;
    case Glyph::xmark:
        painter.setPen(stroke);
        painter.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        painter.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case Glyph::cursorArrowSlash:
        painter.drawPath(arrow());
        // The slash cuts a clear gap through the arrow before it is drawn.
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.setPen(QPen(Qt::black, 3.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(1.5, 2), QPointF(14.5, 15));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(stroke);
        painter.drawLine(QPointF(1.5, 2), QPointF(14.5, 15));
        break;
    case Glyph::cursorArrow:
        painter.drawPath(arrow());
        break;
    }
}

} // namespace

QIcon icon(Glyph glyph, const QColor &color, double points)
{
    QIcon result;
    for (const qreal ratio : {1.0, 2.0}) {
        const int pixels = qRound(points * ratio);
        QPixmap pixmap(pixels, pixels);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(pixels / kBox, pixels / kBox);
        draw(painter, glyph, color);
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
}

} // namespace LyricsGlyphs
