#include "ui/CrestPressButton.h"

#include "ui/CrestStyle.h"
#include "ui/SymbolIcons.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QVariantAnimation>

#include <cmath>

namespace {

// Between a symbol and the title.
constexpr int kGap = 6;

} // namespace

CrestPressButton::CrestPressButton(QWidget *parent)
    : QAbstractButton(parent), m_animation(new QVariantAnimation(this))
{
    setCursor(Qt::PointingHandCursor);
    // Reached with Tab while the crest has the keyboard; a click never
    // takes focus.
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
    m_symbolPixmap = {};
    updateGeometry();
}

void CrestPressButton::setSymbol(const QString &name)
{
    if (m_symbol == name)
        return;
    m_symbol = name;
    m_symbolPixmap = {};
    updateGeometry();
    update();
}

void CrestPressButton::setForeground(const QColor &color)
{
    if (m_foreground == color)
        return;
    m_foreground = color;
    m_symbolPixmap = {};
    update();
}

void CrestPressButton::setLabel(const QString &help, const QString &accessibleName)
{
    setToolTip(help);
    setAccessibleName(accessibleName);
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

int CrestPressButton::contentWidth() const
{
    const bool hasImage = !m_symbol.isEmpty() || !icon().isNull();
    const int imageWidth = hasImage ? iconSize().width() : 0;
    const int textWidth = text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text());
    return imageWidth + (imageWidth > 0 && textWidth > 0 ? kGap : 0) + textWidth;
}

QSize CrestPressButton::sizeHint() const
{
    return {contentWidth() + 8, qMax(iconSize().height(), fontMetrics().height()) + 6};
}

const QPixmap &CrestPressButton::symbolPixmap()
{
    const qreal ratio = devicePixelRatioF();
    if (m_symbolPixmap.isNull() || m_symbolPixmap.devicePixelRatio() != ratio)
        m_symbolPixmap = SymbolIcons::tinted(m_symbol, iconSize(), m_foreground, ratio);
    return m_symbolPixmap;
}

void CrestPressButton::paintLabel(QPainter &painter)
{
    if (m_fill.alpha() > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_fill);
        painter.drawRoundedRect(QRectF(rect()), m_fillRadius, m_fillRadius);
    }
    const bool hasImage = !m_symbol.isEmpty() || !icon().isNull();
    const QSizeF imageSize = hasImage ? QSizeF(iconSize()) : QSizeF();
    // Whole device pixels: a symbol drawn half a pixel off comes out blurred.
    const qreal ratio = devicePixelRatioF();
    const auto snap = [ratio](double v) { return std::round(v * ratio) / ratio; };
    double x = snap((width() - contentWidth()) / 2.0);
    if (hasImage) {
        const QRectF imageRect(QPointF(x, snap((height() - imageSize.height()) / 2)), imageSize);
        if (!m_symbol.isEmpty())
            painter.drawPixmap(imageRect.topLeft(), symbolPixmap());
        else
            icon().paint(&painter, imageRect.toRect());
        x += imageSize.width() + kGap;
    }
    if (!text().isEmpty()) {
        painter.setPen(m_foreground);
        painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignVCenter | Qt::AlignLeft,
                         text());
    }
}

void CrestPressButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(paintedScale(), paintedScale());
    painter.translate(-centre);
    painter.setOpacity(paintedOpacity());
    paintLabel(painter);
    if (hasFocus()) {
        // Reached with Tab: a thin accent ring says which control keys press.
        painter.setOpacity(1);
        painter.setPen(QPen(CrestStyle::accent, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
}

void CrestPressButton::keyPressEvent(QKeyEvent *event)
{
    // Space is the button's own key; Enter presses it as well.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !event->isAutoRepeat()) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
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
