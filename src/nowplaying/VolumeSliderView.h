#pragma once

#include "nowplaying/PlayerSliderView.h"

#include <QPointer>

class VolumeController;

/// The volume slider: shows the controller's level and runs a drag session
/// while the user drags; the controller writes the newest value.
class VolumeSliderView final : public PlayerSliderView
{
public:
    explicit VolumeSliderView(QWidget *parent = nullptr);
    ~VolumeSliderView() override;

    void setController(VolumeController *controller);
    /// Redraws and tells the tool tip, cursor and assistive technology.
    void refresh();

    double accessibleValue() const override;
    void setAccessibleValue(double value) override;
    void step(int direction) override;
    bool isAvailable() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    std::optional<QUuid> beginDrag() override;
    void moveDrag(double fraction, const QUuid &session) override;
    void finishDrag(const QUuid &session, bool commit) override;

private:
    QPointer<VolumeController> m_controller;
    int m_wheelTurn = 0; // eighths of a degree not yet turned into a step
};
