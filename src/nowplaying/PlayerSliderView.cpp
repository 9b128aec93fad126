#include "nowplaying/PlayerSliderView.h"

#include "ui/CrestStyle.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

constexpr double kTrackHeight = 3;

// A slider for assistive technology: its value, range and the increment and
// decrement actions come from the view.
class SliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit SliderAccessible(PlayerSliderView *view) : QAccessibleWidget(view, QAccessible::Slider)
    {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Help || t == QAccessible::Description)
            return widget()->accessibleDescription();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.disabled = !view()->isAvailable();
        return s;
    }

    QVariant currentValue() const override { return view()->accessibleValue(); }
    void setCurrentValue(const QVariant &value) override
    {
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (ok)
            view()->setAccessibleValue(number);
    }
    QVariant maximumValue() const override { return 100.0; }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 5.0; }

    QStringList actionNames() const override { return {increaseAction(), decreaseAction()}; }
    void doAction(const QString &name) override
    {
        if (name == increaseAction())
            view()->step(+1);
        else if (name == decreaseAction())
            view()->step(-1);
    }

private:
    PlayerSliderView *view() const { return static_cast<PlayerSliderView *>(widget()); }
};

QAccessibleInterface *sliderFactory(const QString &, QObject *object)
{
    if (auto *view = dynamic_cast<PlayerSliderView *>(object))
        return new SliderAccessible(view);
    return nullptr;
}

} // namespace

PlayerSliderView::PlayerSliderView(double inset, double trackOpacity, QWidget *parent)
    : QWidget(parent), m_accent(CrestStyle::accent), m_inset(inset), m_trackOpacity(trackOpacity)
{
    static const bool installed = [] {
        QAccessible::installFactory(sliderFactory);
        return true;
    }();
    Q_UNUSED(installed);
    // Tab reaches it while the crest has the keyboard; a drag never takes
    // focus, so it works while another application keeps the keyboard.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void PlayerSliderView::setAccent(const QColor &accent)
{
    m_accent = accent;
    update();
}

std::optional<double> PlayerSliderView::fraction(double x, double width, double inset)
{
    if (width <= 2 * inset)
        return std::nullopt;
    return (x - inset) / (width - 2 * inset);
}

void PlayerSliderView::endDrag(bool commit)
{
    if (!m_session)
        return;
    finishDrag(*std::exchange(m_session, std::nullopt), commit);
    update();
}

void PlayerSliderView::apply(const QPointF &position)
{
    if (!m_session)
        return;
    if (const auto f = fraction(position.x(), width(), m_inset)) {
        moveDrag(*f, *m_session);
        update();
    }
}

void PlayerSliderView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Up:
        step(+1);
        return;
    case Qt::Key_Left:
    case Qt::Key_Down:
        step(-1);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void PlayerSliderView::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void PlayerSliderView::focusOutEvent(QFocusEvent *event)
{
    update();
    QWidget::focusOutEvent(event);
}

void PlayerSliderView::mousePressEvent(QMouseEvent *event)
{
    if (m_session)
        return;
    m_session = beginDrag();
    apply(event->position());
}

void PlayerSliderView::mouseMoveEvent(QMouseEvent *event)
{
    apply(event->position());
}

void PlayerSliderView::mouseReleaseEvent(QMouseEvent *event)
{
    apply(event->position());
    endDrag(true);
}

// Leaving the window abandons a drag: nothing may stay grabbed.
void PlayerSliderView::hideEvent(QHideEvent *event)
{
    endDrag(false);
    QWidget::hideEvent(event);
}

void PlayerSliderView::refresh(const QString &toolTip)
{
    update();
    setToolTip(toolTip);
    setCursor(isAvailable() ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QAccessibleValueChangeEvent event(this, accessibleValue());
    QAccessible::updateAccessibility(&event);
}

void PlayerSliderView::paintSlider(double filled, double fillOpacity, std::optional<double> knob)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track(m_inset, (height() - kTrackHeight) / 2, std::max(width() - 2 * m_inset, 0.0),
                       kTrackHeight);
    const double radius = kTrackHeight / 2;
    painter.setBrush(QColor::fromRgbF(1, 1, 1, float(m_trackOpacity)));
    painter.drawRoundedRect(track, radius, radius);
    QRectF played = track;
    played.setWidth(track.width() * std::clamp(filled, 0.0, 1.0));
    QColor fill = m_accent;
    fill.setAlphaF(float(fill.alphaF() * fillOpacity));
    painter.setBrush(fill);
    painter.drawRoundedRect(played, radius, radius);
    if (knob) {
        painter.setBrush(m_accent);
        painter.drawEllipse(QPointF(played.right(), track.center().y()), *knob / 2, *knob / 2);
    }
    if (hasFocus()) {
        // Reached with Tab: the arrow keys move this slider.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(m_accent, 1));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }
}

void PlayerSliderView::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QWidget::enterEvent(event);
}

void PlayerSliderView::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QWidget::leaveEvent(event);
}
