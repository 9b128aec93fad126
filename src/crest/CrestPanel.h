#pragma once

#include "ui/StickyPanel.h"

#include <QRect>

class CrestView;

/// The crest's borderless window: always on top, on every workspace, never
/// in the taskbar. It always has the full panel frame; its window mask
/// follows the view's outline, and while the crest is collapsed it takes
/// pointer input only over the notch, so hovering, clicking or dragging
/// files onto the notch reach the program and everything else passes
/// through to the windows below.
class CrestPanel final : public StickyPanel
{
    Q_OBJECT

public:
    explicit CrestPanel(QWidget *parent = nullptr);

    /// Makes `view` the panel's content, filling it.
    void setContentView(CrestView *view);
    CrestView *contentView() const { return m_view; }

    /// Global frame of the panel, in desktop points.
    void setFrame(const QRect &frame);

    /// The notch, in panel coordinates: the only area that takes input while
    /// the panel ignores the pointer.
    void setNotchRect(const QRect &notch);

    /// True: the whole crest takes pointer input; false: only the notch.
    void setAcceptsMouse(bool accepts);
    bool acceptsMouse() const { return m_acceptsMouse; }

    /// Takes the keyboard, for the notes: a click into the editor or the
    /// shortcut. Nothing else ever activates the panel, so pressing its
    /// buttons and sliders leaves the keyboard with the window that had it.
    void takeKeyboard();
    /// Gives up keyboard focus. If the panel took the keyboard and still
    /// has it, the window that had it before gets it back through the
    /// window manager, unless that window is gone.
    void giveBackKeyboard();

signals:
    /// The pointer entered the part of the panel that takes input (while
    /// collapsed, the notch).
    void pointerEntered();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void applyShapes() override;

private:
    void applyMask();
    void applyInputRegion();

    CrestView *m_view = nullptr;
    QRect m_notch;
    bool m_acceptsMouse = false;
    /// The window that had the keyboard before the panel took it.
    quint32 m_previousWindow = 0;
};
