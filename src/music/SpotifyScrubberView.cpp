#include "music/SpotifyScrubberView.h"

#include "music/SpotifyController.h"

#include <QMouseEvent>

#include <algorithm>
#include <cmath>

namespace {

using namespace Qt::StringLiterals;

constexpr double kInset = 3;
constexpr double kSeekStep = 5;

} // namespace

SpotifyScrubberView::SpotifyScrubberView(QWidget *parent) : SpotifySliderView(kInset, 0.09, parent)
{
    setToolTip(u"Drag to seek"_s);
    setAccessibleName(u"Playback position"_s);
    setAccessibleDescription(
        u"Drag to seek forward or backward. Lyrics follow the selected position."_s);
}

SpotifyScrubberView::~SpotifyScrubberView()
{
    cancelScrub();
}

void SpotifyScrubberView::setController(SpotifyController *controller)
{
    m_controller = controller;
    refresh();
}

void SpotifyScrubberView::refresh()
{
    SpotifySliderView::refresh(u"Drag to seek"_s);
}

void SpotifyScrubberView::cancelScrub()
{
    if (!m_session)
        return;
    const QUuid session = *std::exchange(m_session, std::nullopt);
    if (m_controller)
        m_controller->cancelScrubbing(session, true);
    update();
}

bool SpotifyScrubberView::isAvailable() const
{
    return m_controller && m_controller->canSeek();
}

double SpotifyScrubberView::accessibleValue() const
{
    return m_controller ? std::clamp(m_controller->progress(), 0.0, 1.0) * 100 : 0;
}

void SpotifyScrubberView::setAccessibleValue(double value)
{
    if (!m_controller || !std::isfinite(value))
        return;
    if (const auto session = m_controller->beginScrubbing()) {
        m_controller->updateScrubbing(value / 100, *session);
        m_controller->endScrubbing(*session);
    }
}

void SpotifyScrubberView::step(int direction)
{
    if (isAvailable() && !m_controller->isScrubbing())
        m_controller->seek(direction * kSeekStep);
}

void SpotifyScrubberView::paintEvent(QPaintEvent *)
{
    const bool canSeek = isAvailable();
    std::optional<double> knob;
    if (canSeek && (m_session || isHovered()))
        knob = m_session ? 8 : 6;
    paintSlider(accessibleValue() / 100, canSeek ? 0.9 : 0.4, knob);
}

void SpotifyScrubberView::mousePressEvent(QMouseEvent *event)
{
    if (!m_controller || m_session)
        return;
    m_session = m_controller->beginScrubbing();
    apply(event->position());
}

void SpotifyScrubberView::mouseMoveEvent(QMouseEvent *event)
{
    apply(event->position());
}

void SpotifyScrubberView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_session)
        return;
    apply(event->position());
    const QUuid session = *std::exchange(m_session, std::nullopt);
    if (m_controller)
        m_controller->endScrubbing(session);
    update();
}

void SpotifyScrubberView::hideEvent(QHideEvent *event)
{
    cancelScrub();
    SpotifySliderView::hideEvent(event);
}

void SpotifyScrubberView::apply(const QPointF &position)
{
    if (!m_session || !m_controller)
        return;
    if (const auto fraction = fractionAt(position)) {
        m_controller->updateScrubbing(*fraction, *m_session);
        update();
    }
}
