#pragma once

#include "music/SpotifySliderView.h"

#include <QPointer>
#include <QUuid>

class SpotifyVolumeController;

/// The volume slider: shows the controller's level and runs a drag session
/// while the user drags; the controller writes the newest value.
class SpotifyVolumeSliderView final : public SpotifySliderView
{
public:
    explicit SpotifyVolumeSliderView(QWidget *parent = nullptr);
    ~SpotifyVolumeSliderView() override;

    void setController(SpotifyVolumeController *controller);
    /// Redraws and tells the tool tip, cursor and assistive technology.
    void refresh();
    /// Ends a drag; values already set are still written.
    void finishDrag();

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

    QPointer<SpotifyVolumeController> m_controller;
    std::optional<QUuid> m_session;
};
