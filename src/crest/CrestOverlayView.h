#pragma once

#include <QWidget>

class CrestState;

/// Drawn over the crest's areas: the notch cap, which keeps the menu-bar
/// band black above the cards, and the accent edge while files are dragged
/// over the crest. Never takes the pointer.
class CrestOverlayView final : public QWidget
{
    Q_OBJECT

public:
    CrestOverlayView(CrestState &state, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    CrestState &m_state;
};
