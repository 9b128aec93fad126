#pragma once

#include <QWidget>

class PlayerSymbolButton;
class VolumeController;
class VolumeSliderView;

/// The volume row of the now-playing card: a mute button and the slider.
class VolumeStrip final : public QWidget
{
public:
    explicit VolumeStrip(VolumeController &controller, QWidget *parent = nullptr);

    /// The mute button's symbol for `level` (none: unknown).
    static QString symbol(std::optional<int> level);

    PlayerSymbolButton &muteButton() const { return *m_mute; }
    VolumeSliderView &slider() const { return *m_slider; }

private:
    void refresh();

    VolumeController &m_controller;
    PlayerSymbolButton *const m_mute;
    VolumeSliderView *const m_slider;
};
