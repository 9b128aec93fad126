#include "crest/CrestOverlayView.h"

#include "crest/CrestOutline.h"
#include "crest/CrestState.h"
#include "ui/CrestStyle.h"

#include <QPainter>

namespace {

constexpr double kCapRadius = 12;
constexpr double kDropRadius = 24;
constexpr double kDropOpacity = 0.65;

} // namespace

CrestOverlayView::CrestOverlayView(CrestState &state, QWidget *parent)
    : QWidget(parent), m_state(state)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    connect(&state, &CrestState::isFileDragActiveChanged, this, qOverload<>(&QWidget::update));
}

void CrestOverlayView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double notch = m_state.notchWidth();
    const QRectF cap((width() - notch) / 2, 0, notch, m_state.topHeight());
    painter.fillPath(CrestOutline::path(cap, kCapRadius), Qt::black);
    if (!m_state.isFileDragActive())
        return;
    // An inner border one point wide of the shape inset by one point.
    const QRectF edge = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    painter.setPen(QPen(CrestStyle::withOpacity(CrestStyle::accent, kDropOpacity), 1));
    painter.drawPath(CrestOutline::path(edge, kDropRadius - 0.5));
}
