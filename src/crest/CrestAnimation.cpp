#include "crest/CrestAnimation.h"

#include "core/Clock.h"
#include "core/Scheduler.h"
#include "crest/CrestOutline.h"

#include <algorithm>

namespace {

constexpr double kFrameInterval = 1.0 / 60;
constexpr double kExpandFade = 0.2;
constexpr double kCollapseFade = 0.12;
constexpr double kLayoutFade = 0.15;

double easeOut(double t)
{
    return 1 - (1 - t) * (1 - t);
}

double easeInOut(double t)
{
    return t < 0.5 ? 2 * t * t : 1 - 2 * (1 - t) * (1 - t);
}

} // namespace

CrestAnimation::CrestAnimation(Clock &clock, Scheduler &scheduler,
                               std::function<bool()> reduceMotion, bool expanded, bool showsTray,
                               QObject *parent)
    : QObject(parent), m_clock(clock), m_scheduler(scheduler),
      m_reduceMotion(std::move(reduceMotion))
{
    m_progress = m_from = m_target = expanded ? 1 : 0;
    m_fade.value = m_fade.to = m_progress;
    m_trayFade.value = m_trayFade.to = showsTray ? 1 : 0;
}

bool CrestAnimation::reduceMotion() const
{
    return m_reduceMotion && m_reduceMotion();
}

void CrestAnimation::setExpanded(bool expanded)
{
    m_target = expanded ? 1 : 0;
    m_from = m_progress;
    m_startedAt = m_clock.now().count();
    if (reduceMotion()) {
        m_from = m_target;
        setProgress(m_target);
    }
    startFade(m_fade, m_target, expanded ? kExpandFade : kCollapseFade, false);
}

void CrestAnimation::setShowsTray(bool shows)
{
    startFade(m_trayFade, shows ? 1 : 0, kLayoutFade, true);
}

void CrestAnimation::finishCollapse()
{
    if (m_target != 0)
        return;
    m_frames.cancel();
    m_fade.value = m_fade.to;
    m_trayFade.value = m_trayFade.to;
    emit opacitiesChanged();
    setProgress(0);
}

void CrestAnimation::startFade(Fade &fade, double to, double duration, bool inOut)
{
    fade.from = fade.value;
    fade.to = to;
    fade.startedAt = m_clock.now().count();
    fade.duration = duration;
    fade.inOut = inOut;
    if (reduceMotion())
        fade.value = to;
    emit opacitiesChanged();
    startFrames();
}

void CrestAnimation::startFrames()
{
    const bool settled =
        m_progress == m_target && m_fade.value == m_fade.to && m_trayFade.value == m_trayFade.to;
    if (settled || m_frames)
        return;
    m_frames = m_scheduler.every(Seconds(kFrameInterval), Seconds(0.004), [this] { tick(); });
}

void CrestAnimation::tick()
{
    const double now = m_clock.now().count();
    for (Fade *fade : {&m_fade, &m_trayFade}) {
        const double t = fade->duration > 0
                             ? std::clamp((now - fade->startedAt) / fade->duration, 0.0, 1.0)
                             : 1.0; // never started: at rest
        const double eased = fade->inOut ? easeInOut(t) : easeOut(t);
        fade->value = t >= 1 ? fade->to : fade->from + (fade->to - fade->from) * eased;
    }
    emit opacitiesChanged();

    const double value = CrestOutline::spring(m_from, m_target, now - m_startedAt);
    const bool springSettled = CrestOutline::isSettled(value, m_target);
    setProgress(springSettled ? m_target : value);
    if (springSettled && m_fade.value == m_fade.to && m_trayFade.value == m_trayFade.to)
        m_frames.cancel();
}

void CrestAnimation::setProgress(double value)
{
    if (m_progress == value)
        return;
    m_progress = value;
    emit progressChanged();
}
