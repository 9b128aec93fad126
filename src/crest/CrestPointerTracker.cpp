#include "crest/CrestPointerTracker.h"

#include "core/Scheduler.h"
#include "crest/CrestPlacer.h"
#include "crest/CrestState.h"
#include "platform/desktop/PointerSource.h"

CrestPointerTracker::CrestPointerTracker(CrestState &state, const CrestPlacer &placer,
                                         const PointerSource &pointer, Scheduler &scheduler,
                                         QObject *parent)
    : QObject(parent), m_state(state), m_placer(placer), m_pointer(pointer), m_scheduler(scheduler)
{
    // Open, the crest closes when the pointer leaves: the timer watches for that.
    connect(&placer, &CrestPlacer::expanded, this, &CrestPointerTracker::wake);
}

void CrestPointerTracker::start()
{
    wake();
}

void CrestPointerTracker::stop()
{
    m_hasStopped = true;
    m_timer.cancel();
}

std::optional<bool> CrestPointerTracker::pointerInside() const
{
    return m_placer.contains(m_pointer.globalPosition());
}

bool CrestPointerTracker::isHoverAllowed() const
{
    using Modifier = PointerSource::Modifier;
    const auto held = m_pointer.modifiers();
    return !(held & (Modifier::Control | Modifier::Alt | Modifier::Super));
}

void CrestPointerTracker::mouseEvent(bool isPress)
{
    const auto inside = pointerInside();
    if (!inside)
        return;
    // Only a click into the notes takes the keyboard (the view asks for it).
    if (isPress)
        m_state.pointerPressed(*inside);
    m_state.pointerChanged(*inside);
    follow(*inside);
}

void CrestPointerTracker::pointerEntered()
{
    // Reported at once, as a tick would, with the modifiers held right now.
    wake();
    report();
}

void CrestPointerTracker::report()
{
    const auto inside = pointerInside();
    if (inside)
        m_state.pointerChanged(*inside);
    follow(inside.value_or(false));
}

void CrestPointerTracker::follow(bool inside)
{
    // Collapsed with the pointer away from the notch, every tick would report
    // what the state machine already knows: the timer sleeps until the pointer
    // enters the notch, the only part of the panel that then takes input.
    if (inside || m_state.isExpanded())
        wake();
    else
        m_timer.cancel();
}

void CrestPointerTracker::wake()
{
    if (m_timer || m_hasStopped)
        return;
    m_timer = m_scheduler.every(Seconds(kInterval), Seconds(kTolerance), [this] { report(); });
}
