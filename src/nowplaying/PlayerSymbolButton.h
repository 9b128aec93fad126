#pragma once

#include "ui/CrestPressButton.h"

#include <optional>

/// A borderless crest button that draws one symbol centred in its fixed
/// frame, optionally on a lit disc; the whole frame takes clicks.
class PlayerSymbolButton final : public CrestPressButton
{
public:
    /// `pointSize`: the symbol's height; `frame`: the button's fixed size.
    PlayerSymbolButton(int pointSize, QSize frame, QWidget *parent = nullptr);

    /// Draws the symbol on a lit disc fading from white into `accent`.
    void setDisc(const QColor &accent);

protected:
    void paintLabel(QPainter &painter) override;

private:
    std::optional<QColor> m_disc;
};
