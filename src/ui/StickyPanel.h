#pragma once

#include <QWidget>

/// A borderless window that stays above ordinary windows on every workspace
/// and out of the taskbar and the pager. Subclasses set its flags and cut
/// its shapes.
class StickyPanel : public QWidget
{
    Q_OBJECT

public:
    /// Shows the panel above other windows without activating it.
    void showAndRaise();

protected:
    explicit StickyPanel(QWidget *parent) : QWidget(parent) {}

    /// Whether the native window exists, so its input region can be set.
    bool isNativeReady() const { return m_nativeReady; }
    /// Sets the window's visible and input shapes; also called once the
    /// native window exists.
    virtual void applyShapes() = 0;

private:
    bool m_nativeReady = false;
};
