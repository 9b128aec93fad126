#pragma once

#include "core/CancelHandle.h"

#include <QObject>

#include <functional>

class Clock;
class Scheduler;

/// The crest's motion: the outline springing between notch and panel, the
/// content fading in and out with it, and the cross-fade between the tray
/// and the default layout. Frames run on the scheduler only while something
/// moves; with reduced motion every change lands at once.
class CrestAnimation final : public QObject
{
    Q_OBJECT

public:
    CrestAnimation(Clock &clock, Scheduler &scheduler, std::function<bool()> reduceMotion,
                   bool expanded, bool showsTray, QObject *parent = nullptr);

    /// 0 collapsed, 1 expanded; in between while the outline springs.
    double progress() const { return m_progress; }
    /// The content's opacity: 0 collapsed, 1 expanded, between while fading.
    double contentOpacity() const { return m_fade.value; }
    /// 1 shows the tray, 0 the default layout.
    double trayOpacity() const { return m_trayFade.value; }
    bool reduceMotion() const;

    /// Springs the outline towards the panel or the notch, fading the content.
    void setExpanded(bool expanded);
    /// Cross-fades to the tray or back to the default layout.
    void setShowsTray(bool shows);
    /// Ends a running collapse at once, leaving exactly the notch.
    void finishCollapse();

signals:
    void progressChanged();
    /// Either opacity moved, or a fade began.
    void opacitiesChanged();

private:
    /// A value easing from `from` to `to` over `duration` seconds.
    struct Fade
    {
        double value = 0;
        double from = 0;
        double to = 0;
        double startedAt = 0;
        double duration = 0;
        bool inOut = false;
    };

    void startFade(Fade &fade, double to, double duration, bool inOut);
    void startFrames();
    void tick();
    void setProgress(double value);

    Clock &m_clock;
    Scheduler &m_scheduler;
    std::function<bool()> m_reduceMotion;
    double m_progress = 0;
    double m_from = 0;
    double m_target = 0;
    double m_startedAt = 0;
    Fade m_fade;
    Fade m_trayFade;
    CancelHandle m_frames;
};
