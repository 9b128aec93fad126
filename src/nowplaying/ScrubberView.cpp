#include "nowplaying/ScrubberView.h"

#include "players/model/PlayerController.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace Qt::StringLiterals;

constexpr double kInset = 3;
constexpr double kSeekStep = 5;

} // namespace

ScrubberView::ScrubberView(QWidget *parent) : PlayerSliderView(kInset, 0.09, parent)
{
    setToolTip(u"Drag to seek"_s);
    setAccessibleName(u"Playback position"_s);
    setAccessibleDescription(
        u"Drag to seek forward or backward. Lyrics follow the selected position."_s);
}

ScrubberView::~ScrubberView()
{
    cancelScrub();
}

void ScrubberView::setController(PlayerController *controller)
{
    m_controller = controller;
    refresh();
}

void ScrubberView::refresh()
{
    PlayerSliderView::refresh(u"Drag to seek"_s);
}

void ScrubberView::cancelScrub()
{
    endDrag(false);
}

bool ScrubberView::isAvailable() const
{
    return m_controller && m_controller->canSeek();
}

double ScrubberView::accessibleValue() const
{
    return m_controller ? std::clamp(m_controller->progress(), 0.0, 1.0) * 100 : 0;
}

void ScrubberView::setAccessibleValue(double value)
{
    if (!m_controller || !std::isfinite(value))
        return;
    if (const auto session = m_controller->beginScrubbing()) {
        m_controller->updateScrubbing(value / 100, *session);
        m_controller->endScrubbing(*session);
    }
}

void ScrubberView::step(int direction)
{
    if (isAvailable() && !m_controller->isScrubbing())
        m_controller->seek(direction * kSeekStep);
}

void ScrubberView::paintEvent(QPaintEvent *)
{
    const bool canSeek = isAvailable();
    std::optional<double> knob;
    if (canSeek && (isDraggingNow() || isHovered()))
        knob = isDraggingNow() ? 8 : 6;
    paintSlider(accessibleValue() / 100, canSeek ? 0.9 : 0.4, knob);
}

std::optional<QUuid> ScrubberView::beginDrag()
{
    return m_controller ? m_controller->beginScrubbing() : std::nullopt;
}

void ScrubberView::moveDrag(double fraction, const QUuid &session)
{
    if (m_controller)
        m_controller->updateScrubbing(fraction, session);
}

// A release seeks; an abandoned drag puts the real position back.
void ScrubberView::finishDrag(const QUuid &session, bool commit)
{
    if (!m_controller)
        return;
    if (commit)
        m_controller->endScrubbing(session);
    else
        m_controller->cancelScrubbing(session, true);
}
