#pragma once

#include "core/CancelHandle.h"

#include <QObject>

#include <optional>

class CrestPlacer;
class CrestState;
class PointerSource;
class Scheduler;

/// Tells the crest's state machine where the pointer is: on every mouse
/// event, when the pointer enters the panel, and on a short timer while
/// the answer can matter. Main thread only.
class CrestPointerTracker final : public QObject
{
    Q_OBJECT

public:
    static constexpr double kInterval = 0.05;
    static constexpr double kTolerance = 0.01;

    CrestPointerTracker(CrestState &state, const CrestPlacer &placer, const PointerSource &pointer,
                        Scheduler &scheduler, QObject *parent = nullptr);

    /// Starts the timer; it sleeps again at the first tick that finds the
    /// crest closed and the pointer away.
    void start();
    void stop();

    /// Whether the pointer is over the crest; unknown until it is placed.
    std::optional<bool> pointerInside() const;
    /// Hover opens the crest only while no Ctrl, Alt or Super key is held.
    bool isHoverAllowed() const;

    /// A mouse event in this program or a press in any other; `isPress` is
    /// true for a button going down.
    void mouseEvent(bool isPress);
    /// The pointer entered the part of the panel that takes input.
    void pointerEntered();
    /// Reports the pointer as a tick does, now.
    void report();

private:
    void follow(bool inside);
    void wake();

    CrestState &m_state;
    const CrestPlacer &m_placer;
    const PointerSource &m_pointer;
    Scheduler &m_scheduler;
    CancelHandle m_timer;
    bool m_hasStopped = false;
};
