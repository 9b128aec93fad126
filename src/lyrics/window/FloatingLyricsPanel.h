#pragma once

#include "ui/StickyPanel.h"

/// A small borderless window that floats above ordinary windows on every
/// workspace, stays out of the taskbar and never takes keyboard focus from
/// the window the user types in. Its corners are cut to a rounded shape. It
/// can let every click pass through to the windows below it.
class FloatingLyricsPanel final : public StickyPanel
{
    Q_OBJECT

public:
    FloatingLyricsPanel(const QString &title, double cornerRadius, QWidget *parent = nullptr);

    /// Makes `content` the panel's content, filling it.
    void setContent(QWidget *content);

    /// True: the pointer reaches the windows below as if the panel were not
    /// there.
    void setIgnoresMouseEvents(bool ignores);
    bool ignoresMouseEvents() const { return m_ignoresMouseEvents; }

    void orderOut();

signals:
    /// The panel's position on the desktop changed.
    void moved();

protected:
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    void applyShapes() override;

private:
    QWidget *m_content = nullptr;
    const double m_cornerRadius;
    bool m_ignoresMouseEvents = false;
};
