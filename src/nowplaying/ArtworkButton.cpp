#include "nowplaying/ArtworkButton.h"

#include "nowplaying/RecordArt.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kSide = 76;
constexpr double kRadius = 13;

} // namespace

ArtworkButton::ArtworkButton(const QColor &accent, QWidget *parent)
    : CrestPressButton(parent), m_accent(accent)
{
    setFixedSize(kSide, kSide);
}

void ArtworkButton::setArtwork(const QImage &artwork)
{
    m_artwork = artwork;
    update();
}

void ArtworkButton::paintLabel(QPainter &painter)
{
    const QRectF bounds = rect();
    QPainterPath clip;
    clip.addRoundedRect(bounds, kRadius, kRadius);
    painter.save();
    painter.setClipPath(clip, Qt::IntersectClip);
    if (m_artwork.isNull()) {
        RecordArt::paint(painter, bounds, m_accent, true);
    } else {
        QSizeF fitted = m_artwork.size().toSizeF().scaled(bounds.size(), Qt::KeepAspectRatio);
        QRectF target(QPointF(), fitted);
        target.moveCenter(bounds.center());
        painter.drawImage(target, m_artwork);
    }
    painter.restore();
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.15f), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds.adjusted(0.25, 0.25, -0.25, -0.25), kRadius, kRadius);
}
