#include "lyrics/window/FloatingLyricsViewPainter.h"

#include "lyrics/window/LyricsGlyphs.h"
#include "ui/CrestStyle.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <QWidget>

namespace {

constexpr double kCardRadius = 22;
constexpr int kLineFadeMilliseconds = 220;
const QColor kCardTint = QColor::fromRgbF(0.06f, 0.095f, 0.08f);

} // namespace

FloatingLyricsViewPainter::FloatingLyricsViewPainter(QWidget *lines, QObject *parent)
    : QObject(parent), m_fade(new QGraphicsOpacityEffect(lines)),
      m_lineFade(new QVariantAnimation(this))
{
    m_fade->setEnabled(false);
    lines->setGraphicsEffect(m_fade);
    m_lineFade->setStartValue(0.2);
    m_lineFade->setEndValue(1.0);
    m_lineFade->setDuration(kLineFadeMilliseconds);
    m_lineFade->setEasingCurve(QEasingCurve::InOutQuad);
    QGraphicsOpacityEffect *fade = m_fade;
    connect(m_lineFade, &QVariantAnimation::valueChanged, fade,
            [fade](const QVariant &value) { fade->setOpacity(value.toDouble()); });
    connect(m_lineFade, &QVariantAnimation::finished, fade, [fade] { fade->setEnabled(false); });
}

void FloatingLyricsViewPainter::fadeInLines()
{
    m_fade->setEnabled(true);
    m_lineFade->stop();
    m_lineFade->start();
}

void FloatingLyricsViewPainter::paintCard(QPainter &painter, const QRectF &bounds)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = bounds.adjusted(0.25, 0.25, -0.25, -0.25);
    QPainterPath outline;
    outline.addRoundedRect(card, kCardRadius, kCardRadius);
    // X11 has no blurred material behind windows: the card is always the
    // opaque near-black base under its tint.
    painter.fillPath(outline, QColor::fromRgbF(0.08f, 0.08f, 0.08f));
    QLinearGradient tint(card.topLeft(), card.bottomLeft());
    tint.setColorAt(0, CrestStyle::withOpacity(kCardTint, 0.9));
    tint.setColorAt(1, CrestStyle::withOpacity(kCardTint, 0.82));
    painter.fillPath(outline, tint);
    painter.setPen(QPen(CrestStyle::white(0.14), 0.5));
    painter.drawPath(outline);
}

QPixmap FloatingLyricsViewPainter::cover(const QImage &artwork, qreal ratio)
{
    QPixmap cover(QSize(kCoverSize, kCoverSize) * ratio);
    cover.setDevicePixelRatio(ratio);
    cover.fill(Qt::transparent);
    QPainter painter(&cover);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF square(0, 0, kCoverSize, kCoverSize);
    QPainterPath rounded;
    rounded.addRoundedRect(square, 7, 7);
    painter.setClipPath(rounded);
    if (!artwork.isNull()) {
        const QImage art = artwork.scaled(square.size().toSize() * ratio,
                                          Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        const QSizeF shown = QSizeF(art.size()) / ratio;
        painter.drawImage(
            QRectF(QPointF((kCoverSize - shown.width()) / 2, (kCoverSize - shown.height()) / 2),
                   shown),
            art);
    } else {
        painter.fillRect(square, CrestStyle::white(0.08));
        LyricsGlyphs::icon(LyricsGlyphs::Glyph::musicNote, CrestStyle::accent, 14)
            .paint(&painter, QRect(7, 7, 14, 14));
    }
    painter.end();
    return cover;
}
