#pragma once

#include "core/CancelHandle.h"
#include "crest/CrestGeometry.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class CrestPanel;
class CrestState;
class Scheduler;
class ScreenSource;
class Settings;

/// Hangs the crest's panel at the top centre of the primary screen, and
/// opens and closes it there: open, the whole panel takes the pointer;
/// closed, only the notch. Main thread only.
class CrestPlacer final : public QObject
{
    Q_OBJECT

public:
    /// How long a collapse animates before only the notch is left.
    static constexpr double kHideDelay = 0.34;

    /// `reduceMotion` answers whether the collapse may animate.
    CrestPlacer(CrestState &state, CrestPanel &panel, ScreenSource &screens,
                const Settings &settings, Scheduler &scheduler, std::function<bool()> reduceMotion,
                QObject *parent = nullptr);

    /// Measures the primary screen and moves the panel there.
    void place();
    void setExpanded(bool expanded);
    /// Drops a collapse still waiting for its animation: the program quits.
    void stop();

    /// Whether `point` (global) is over the crest as it is now open or
    /// closed; unknown until the panel has been placed once.
    std::optional<bool> contains(const QPointF &point) const;

signals:
    /// The crest is about to close: anything still being typed is written now.
    void collapsing();
    /// The crest has opened.
    void expanded();
    /// The collapse has finished animating. A Linux screen has no notch to
    /// hide behind, so fully collapsed the crest draws exactly the notch.
    void collapseFinished();

private:
    CrestState &m_state;
    QPointer<CrestPanel> m_panel;
    ScreenSource &m_screens;
    const Settings &m_settings;
    Scheduler &m_scheduler;
    std::function<bool()> m_reduceMotion;
    std::optional<CrestGeometry> m_geometry;
    CancelHandle m_hideTask;
};
