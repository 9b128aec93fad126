#pragma once

#include "ui/CrestPressButton.h"

class LyricsController;

/// The button that switches the floating lyrics between taking the pointer
/// and letting every click pass through. It stays clickable in both modes:
/// while clicks pass through, a copy of it floats alone over the panel.
class LyricsMouseToggle final : public CrestPressButton
{
    Q_OBJECT

public:
    explicit LyricsMouseToggle(LyricsController &lyrics, QWidget *parent = nullptr);

private:
    void refresh();

    LyricsController &m_lyrics;
};
