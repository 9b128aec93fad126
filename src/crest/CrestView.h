#pragma once

#include "core/CancelHandle.h"

#include <QRegion>
#include <QWidget>

#include <functional>

class Clock;
class CrestDropTarget;
class CrestState;
class Scheduler;

/// The crest panel's root view: the black crest that grows out of the notch.
/// Its outline springs between the notch (`notchWidth` x `topHeight`, bottom
/// corners 12) and the panel (660 x `topHeight` + 138, bottom corners 25);
/// the panel masks its window to that outline, so nothing outside the
/// crest's shape is ever painted.
class CrestView : public QWidget
{
    Q_OBJECT

public:
    CrestView(CrestState &state, Clock &clock, Scheduler &scheduler,
              std::function<bool()> reduceMotion, QWidget *parent = nullptr);
    ~CrestView() override;

    /// 0 collapsed, 1 expanded; in between while the outline springs.
    double progress() const { return m_progress; }

    /// The crest's current outline in view coordinates.
    QRegion outlineRegion() const;

    /// Ends a running collapse at once, leaving exactly the notch.
    void finishCollapse();

    /// Where file drags go; none means drags are refused.
    void setDropTarget(CrestDropTarget *target) { m_dropTarget = target; }

signals:
    void outlineChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void animateTo(double target);
    void tick();
    void setProgress(double value);

    CrestState &m_state;
    Clock &m_clock;
    Scheduler &m_scheduler;
    std::function<bool()> m_reduceMotion;
    CrestDropTarget *m_dropTarget = nullptr;
    double m_progress = 0;
    double m_from = 0;
    double m_target = 0;
    double m_startedAt = 0;
    CancelHandle m_frames;
};
