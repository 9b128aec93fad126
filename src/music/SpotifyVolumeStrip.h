#pragma once

#include <QWidget>

class SpotifySymbolButton;
class SpotifyVolumeController;
class SpotifyVolumeSliderView;

/// The volume row of the now-playing card: a mute button and the slider.
class SpotifyVolumeStrip final : public QWidget
{
public:
    explicit SpotifyVolumeStrip(SpotifyVolumeController &controller, QWidget *parent = nullptr);

    /// The mute button's symbol for `level` (none: unknown).
    static QString symbol(std::optional<int> level);

    SpotifySymbolButton &muteButton() const { return *m_mute; }
    SpotifyVolumeSliderView &slider() const { return *m_slider; }

private:
    void refresh();

    SpotifyVolumeController &m_controller;
    SpotifySymbolButton *const m_mute;
    SpotifyVolumeSliderView *const m_slider;
};
