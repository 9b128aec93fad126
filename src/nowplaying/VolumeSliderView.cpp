#include "nowplaying/VolumeSliderView.h"

#include "players/model/VolumeController.h"

#include <QWheelEvent>

#include <cstdlib>

namespace {

using namespace Qt::StringLiterals;

constexpr double kInset = 4;
constexpr int kStep = 5;

} // namespace

VolumeSliderView::VolumeSliderView(QWidget *parent) : PlayerSliderView(kInset, 0.1, parent)
{
    setAccessibleName(u"Music volume"_s);
    setAccessibleDescription(u"Adjust the music volume from zero to 100 percent."_s);
}

VolumeSliderView::~VolumeSliderView()
{
    endDrag(false);
}

void VolumeSliderView::setController(VolumeController *controller)
{
    m_controller = controller;
    refresh();
}

void VolumeSliderView::refresh()
{
    QString tip = isAvailable() ? u"Music volume"_s : u"Music volume is unavailable"_s;
    if (m_controller && m_controller->errorMessage())
        tip = *m_controller->errorMessage();
    PlayerSliderView::refresh(tip);
}

bool VolumeSliderView::isAvailable() const
{
    return m_controller && m_controller->isAvailable();
}

double VolumeSliderView::accessibleValue() const
{
    return m_controller ? m_controller->level().value_or(0) : 0;
}

void VolumeSliderView::setAccessibleValue(double value)
{
    if (m_controller)
        m_controller->setLevel(value);
}

void VolumeSliderView::step(int direction)
{
    if (isAvailable() && !m_controller->isDragging())
        m_controller->setLevel(*m_controller->level() + direction * kStep);
}

void VolumeSliderView::wheelEvent(QWheelEvent *event)
{
    // One notch (15 degrees) is one step; touchpads send a notch in pieces.
    constexpr int kNotch = 120;
    m_wheelTurn += event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    while (std::abs(m_wheelTurn) >= kNotch) {
        const int direction = m_wheelTurn > 0 ? 1 : -1;
        m_wheelTurn -= direction * kNotch;
        step(direction);
    }
    event->accept();
}

void VolumeSliderView::paintEvent(QPaintEvent *)
{
    const bool available = isAvailable();
    const bool active = isHovered() || (m_controller && m_controller->isDragging());
    std::optional<double> knob;
    if (available)
        knob = active ? 7 : 5;
    paintSlider(accessibleValue() / 100, !available ? 0.2 : active ? 0.95 : 0.6, knob);
}

std::optional<QUuid> VolumeSliderView::beginDrag()
{
    return m_controller ? m_controller->beginDragging() : std::nullopt;
}

void VolumeSliderView::moveDrag(double fraction, const QUuid &session)
{
    if (m_controller)
        m_controller->updateDragging(fraction, session);
}

// Either way the values already set are still written.
void VolumeSliderView::finishDrag(const QUuid &session, bool)
{
    if (m_controller)
        m_controller->endDragging(session);
}
