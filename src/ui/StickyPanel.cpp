#include "ui/StickyPanel.h"

#include "platform/desktop/X11Window.h"

#include <QWindow>

void StickyPanel::showAndRaise()
{
    if (!m_nativeReady) {
        // The workspace and taskbar hints must be on the window before it is
        // mapped for window managers to honour them.
        winId();
        X11Window::makeStickyPanel(windowHandle());
        m_nativeReady = true;
        applyShapes();
    }
    if (!isVisible())
        show();
    raise();
}
