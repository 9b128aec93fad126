#pragma once

#include "music/SpotifySliderView.h"

#include <QPointer>
#include <QUuid>

class SpotifyController;

/// The playback-position bar: shows the controller's progress and runs a
/// scrub session while the user drags; the seek is sent on release.
class SpotifyScrubberView final : public SpotifySliderView
{
public:
    explicit SpotifyScrubberView(QWidget *parent = nullptr);
    ~SpotifyScrubberView() override;

    void setController(SpotifyController *controller);
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
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void apply(const QPointF &position);

    QPointer<SpotifyController> m_controller;
    std::optional<QUuid> m_session;
};
