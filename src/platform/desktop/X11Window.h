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

/// The window the window manager calls active (`_NET_ACTIVE_WINDOW` on the
/// root window of `window`'s display); 0 when there is none or no window
/// manager says.
quint32 activeWindow(QWindow *window);

/// Asks the window manager to activate `target`, as a pager does for a
/// person's own choice (source indication 2). Does nothing and answers
/// false when `target` is gone or not on screen, or the window manager
/// does not offer `_NET_ACTIVE_WINDOW`.
bool activate(QWindow *window, quint32 target);

} // namespace X11Window
