#pragma once

#include "nowplaying/PlayerSliderView.h"

#include <QPointer>

class PlayerController;

/// The playback-position bar: shows the controller's progress and runs a
/// scrub session while the user drags; the seek is sent on release.
class ScrubberView final : public PlayerSliderView
{
public:
    explicit ScrubberView(QWidget *parent = nullptr);
    ~ScrubberView() override;

    void setController(PlayerController *controller);
    /// Redraws and tells the cursor and assistive technology.
    void refresh();
    /// Ends a drag without seeking; the controller reloads the real position.
    void cancelScrub();

    double accessibleValue() const override;
    void setAccessibleValue(double value) override;
    void step(int direction) override;
    bool isAvailable() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    std::optional<QUuid> beginDrag() override;
    void moveDrag(double fraction, const QUuid &session) override;
    void finishDrag(const QUuid &session, bool commit) override;

private:
    QPointer<PlayerController> m_controller;
};
