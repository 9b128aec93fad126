#pragma once

#include <QObject>

class QGraphicsOpacityEffect;
class QImage;
class QPainter;
class QPixmap;
class QRectF;
class QVariantAnimation;
class QWidget;

/// How the floating lyrics card is drawn and how its lines change: the
/// card behind everything, the song's cover in the header, and a short
/// fade as a new line comes in.
class FloatingLyricsViewPainter final : public QObject
{
    Q_OBJECT

public:
    /// The cover's edge in points.
    static constexpr int kCoverSize = 28;

    /// Fades `lines`, the page of synchronised lines, which owns the effect.
    explicit FloatingLyricsViewPainter(QWidget *lines, QObject *parent = nullptr);

    /// The card filling `bounds`: rounded, tinted and outlined.
    static void paintCard(QPainter &painter, const QRectF &bounds);
    /// `artwork` cut to a small rounded square at `ratio`, or a note on a
    /// faint square when there is none.
    static QPixmap cover(const QImage &artwork, qreal ratio);

    /// The lines fade in from faint, starting over if a fade is running.
    void fadeInLines();

private:
    QGraphicsOpacityEffect *m_fade;
    QVariantAnimation *m_lineFade;
};
