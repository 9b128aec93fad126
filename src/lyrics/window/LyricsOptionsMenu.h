#pragma once

#include "ui/CrestMenu.h"

class LyricsPresentation;

/// The floating lyrics' options: how opaque the card is, opening the song
/// in its player and looking the lyrics up again. Filled afresh each time
/// it opens, so the player's name and song are current.
class LyricsOptionsMenu final : public CrestMenu
{
    Q_OBJECT

public:
    explicit LyricsOptionsMenu(LyricsPresentation &presentation, QWidget *parent = nullptr);

private:
    void fill();

    LyricsPresentation &m_presentation;
};
