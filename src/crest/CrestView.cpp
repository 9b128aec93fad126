#include "crest/CrestView.h"

#include "core/Clock.h"
#include "core/Scheduler.h"
#include "crest/CrestDropTarget.h"
#include "crest/CrestOutline.h"
#include "crest/CrestState.h"

#include <QDragEnterEvent>
#include <QPainter>

namespace {

constexpr double kFrameInterval = 1.0 / 60;

} // namespace

CrestView::CrestView(CrestState &state, Clock &clock, Scheduler &scheduler,
                     std::function<bool()> reduceMotion, QWidget *parent)
    : QWidget(parent), m_state(state), m_clock(clock), m_scheduler(scheduler),
      m_reduceMotion(std::move(reduceMotion))
{
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_progress = m_from = m_target = state.isExpanded() ? 1 : 0;
    connect(&state, &CrestState::isExpandedChanged, this,
            [this] { animateTo(m_state.isExpanded() ? 1 : 0); });
    connect(&state, &CrestState::notchWidthChanged, this, &CrestView::outlineChanged);
    connect(&state, &CrestState::topHeightChanged, this, &CrestView::outlineChanged);
}

CrestView::~CrestView() = default;

QRegion CrestView::outlineRegion() const
{
    const QRectF rect = CrestOutline::rect(m_progress, width(), m_state.notchWidth(),
                                           m_state.topHeight(), height());
    const QPainterPath path = CrestOutline::path(rect, CrestOutline::radius(m_progress));
    return QRegion(path.toFillPolygon().toPolygon());
}

void CrestView::finishCollapse()
{
    if (m_target != 0)
        return;
    m_frames.cancel();
    setProgress(0);
}

void CrestView::animateTo(double target)
{
    m_target = target;
    if (m_reduceMotion && m_reduceMotion()) {
        m_frames.cancel();
        setProgress(target);
        return;
    }
    m_from = m_progress;
    m_startedAt = m_clock.now().count();
    if (!m_frames)
        m_frames = m_scheduler.every(Seconds(kFrameInterval), Seconds(0.004), [this] { tick(); });
}

void CrestView::tick()
{
    const double elapsed = m_clock.now().count() - m_startedAt;
    const double value = CrestOutline::spring(m_from, m_target, elapsed);
    if (CrestOutline::isSettled(value, m_target)) {
        m_frames.cancel();
        setProgress(m_target);
        return;
    }
    setProgress(value);
}

void CrestView::setProgress(double value)
{
    if (m_progress == value)
        return;
    m_progress = value;
    emit outlineChanged();
    update();
}

void CrestView::paintEvent(QPaintEvent *)
{
    // The window is masked to the outline, so filling everything paints
    // exactly the crest, with or without a compositor. The notch cap is part
    // of the same black.
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}

void CrestView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    emit outlineChanged();
}

void CrestView::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_dropTarget && event->mimeData() && m_dropTarget->dragEntered(*event->mimeData())) {
        event->setDropAction(Qt::CopyAction); // files are referenced, never moved
        event->accept();
    } else {
        event->ignore();
    }
}

void CrestView::dragMoveEvent(QDragMoveEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void CrestView::dragLeaveEvent(QDragLeaveEvent *)
{
    if (m_dropTarget)
        m_dropTarget->dragExited();
}

void CrestView::dropEvent(QDropEvent *event)
{
    if (m_dropTarget && event->mimeData() && m_dropTarget->dropped(*event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}
