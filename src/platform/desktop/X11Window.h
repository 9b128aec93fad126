#pragma once

#include <QRegion>

class QWindow;

/// Window-manager facts Qt does not expose, for X11 sessions. Every function
/// does nothing when the window is not on an X11 display.
namespace X11Window {

/// Puts the window on every workspace and keeps it out of the taskbar and
/// the pager. Call after the native window exists and before it is shown.
void makeStickyPanel(QWindow *window);

/// Restricts where the window receives pointer input (the X11 input shape)
/// to `region`, in device-independent window coordinates. The visible shape
/// (the window mask) is independent of it.
void setInputRegion(QWindow *window, const QRegion &region);

} // namespace X11Window
