#include "crest/CrestPressButton.h"

#include "crest/CrestStyle.h"

#include <QEvent>
#include <QPainter>
#include <QVariantAnimation>

CrestPressButton::CrestPressButton(QWidget *parent)
    : QAbstractButton(parent), m_animation(new QVariantAnimation(this))
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    m_animation->setDuration(CrestPressStyle::kAnimationMilliseconds);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_pressProgress = value.toDouble();
        update();
    });
    connect(this, &QAbstractButton::pressed, this, &CrestPressButton::followPress);
    connect(this, &QAbstractButton::released, this, &CrestPressButton::followPress);
}

void CrestPressButton::setFill(const QColor &color, double radius)
{
    m_fill = color;
    m_fillRadius = radius;
    update();
}

void CrestPressButton::setIconPoints(int points)
{
    setIconSize(QSize(points, points));
    updateGeometry();
}

// Between the resting and the pressed look, by how far the press has run;
// a disabled button has one look only.
double CrestPressButton::paintedOpacity() const
{
    const bool enabled = isEnabled();
    const double rest = CrestPressStyle::opacity(enabled, false);
    return rest + (CrestPressStyle::opacity(enabled, true) - rest) * m_pressProgress;
}

double CrestPressButton::paintedScale() const
{
    const bool enabled = isEnabled();
    const double rest = CrestPressStyle::scale(enabled, false, m_reduceMotion);
    return rest + (CrestPressStyle::scale(enabled, true, m_reduceMotion) - rest) * m_pressProgress;
}

void CrestPressButton::followPress()
{
    const double target = isDown() ? 1.0 : 0.0;
    m_animation->stop();
    if (m_reduceMotion) {
        m_pressProgress = target;
        update();
        return;
    }
    m_animation->setStartValue(m_pressProgress);
    m_animation->setEndValue(target);
    m_animation->start();
}

QSize CrestPressButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = icon().isNull() ? 0 : iconSize().width();
    if (!text().isEmpty())
        width += (width > 0 ? 6 : 0) + metrics.horizontalAdvance(text());
    return {width + 8, qMax(iconSize().height(), metrics.height()) + 6};
}

void CrestPressButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_fill.alpha() > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_fill);
        painter.drawRoundedRect(QRectF(rect()), m_fillRadius, m_fillRadius);
    }
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(paintedScale(), paintedScale());
    painter.translate(-centre);
    painter.setOpacity(paintedOpacity());

    const QSize iconPoints = icon().isNull() ? QSize() : iconSize();
    const int textWidth = text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text());
    const int gap = iconPoints.isValid() && textWidth > 0 ? 6 : 0;
    const int contentWidth = (iconPoints.isValid() ? iconPoints.width() : 0) + gap + textWidth;
    int x = (width() - contentWidth) / 2;
    if (iconPoints.isValid()) {
        const QRect iconRect(QPoint(x, (height() - iconPoints.height()) / 2), iconPoints);
        icon().paint(&painter, iconRect);
        x += iconPoints.width() + gap;
    }
    if (textWidth > 0) {
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(QRect(x, 0, textWidth, height()), Qt::AlignVCenter, text());
    }
}

void CrestPressButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange) {
        m_animation->stop();
        m_pressProgress = 0.0;
        update();
    }
    QAbstractButton::changeEvent(event);
}
