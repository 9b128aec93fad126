#include "crest/CrestPlacer.h"

#include "core/Scheduler.h"
#include "crest/CrestPanel.h"
#include "crest/CrestState.h"
#include "platform/desktop/ScreenSource.h"
#include "platform/storage/Settings.h"

CrestPlacer::CrestPlacer(CrestState &state, CrestPanel &panel, ScreenSource &screens,
                         const Settings &settings, Scheduler &scheduler,
                         std::function<bool()> reduceMotion, QObject *parent)
    : QObject(parent), m_state(state), m_panel(&panel), m_screens(screens), m_settings(settings),
      m_scheduler(scheduler), m_reduceMotion(std::move(reduceMotion))
{}

void CrestPlacer::place()
{
    if (!m_panel)
        return;
    // "workarea" (the default) hangs the crest below a top panel; "screen"
    // keeps it at the screen's very top edge.
    const auto placement = CrestGeometry::placementNamed(
        m_settings.value(QStringLiteral("crest.placement")).toString());
    const auto measured =
        CrestGeometry::measure(m_screens.screens(), m_screens.primaryIndex(), placement);
    if (!measured)
        return;
    m_state.setNotchWidth(measured->notchWidth);
    m_state.setTopHeight(measured->topHeight);
    m_geometry = CrestGeometry{measured->screenFrame, measured->notchWidth, m_state.topHeight()};

    const QRect frame = m_geometry->panelRect().toAlignedRect();
    m_panel->setFrame(frame);
    m_panel->setNotchRect(m_geometry->notchRect().toAlignedRect().translated(-frame.topLeft()));
    m_panel->update();
}

void CrestPlacer::setExpanded(bool expanded)
{
    if (expanded == m_state.isExpanded() || !m_panel)
        return;
    if (!expanded)
        emit collapsing();
    m_hideTask.cancel();
    if (expanded) {
        m_panel->setAcceptsMouse(true);
        m_panel->showAndRaise();
        m_state.setExpanded(true);
        emit this->expanded();
        return;
    }
    m_panel->giveBackKeyboard();
    m_panel->setAcceptsMouse(false);
    m_state.setExpanded(false);
    m_state.restoreDefaultView();
    if (m_reduceMotion && m_reduceMotion()) {
        emit collapseFinished();
        return;
    }
    // Until then the crest animates its collapse, already click-through.
    m_hideTask = m_scheduler.after(Seconds(kHideDelay), [self = QPointer(this)] {
        if (!self)
            return;
        self->m_hideTask.release();
        if (!self->m_state.isExpanded())
            emit self->collapseFinished();
    });
}

void CrestPlacer::stop()
{
    m_hideTask.cancel();
}

std::optional<bool> CrestPlacer::contains(const QPointF &point) const
{
    if (!m_geometry)
        return std::nullopt;
    return m_geometry->containsPointer(point, m_state.isExpanded());
}
