#include "platform/desktop/X11Window.h"

#include <QGuiApplication>
#include <QVarLengthArray>
#include <QWindow>

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

xcb_connection_t *connectionFor(QWindow *window)
{
    if (!window || !qGuiApp)
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    auto cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    auto *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t result = reply->atom;
    std::free(reply);
    return result;
}

} // namespace

namespace X11Window {

void makeStickyPanel(QWindow *window)
{
    auto *connection = connectionFor(window);
    if (!connection)
        return;
    const auto id = xcb_window_t(window->winId());

    // All workspaces.
    const uint32_t allDesktops = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom(connection, "_NET_WM_DESKTOP"),
                        XCB_ATOM_CARDINAL, 32, 1, &allDesktops);

    // Appended, so the states Qt sets from the window flags are kept.
    const xcb_atom_t states[] = {
        atom(connection, "_NET_WM_STATE_STICKY"),
        atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
        atom(connection, "_NET_WM_STATE_SKIP_PAGER"),
        atom(connection, "_NET_WM_STATE_ABOVE"),
    };
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, atom(connection, "_NET_WM_STATE"),
                        XCB_ATOM_ATOM, 32, uint32_t(std::size(states)), states);
    xcb_flush(connection);
}

void setInputRegion(QWindow *window, const QRegion &region)
{
    auto *connection = connectionFor(window);
    if (!connection)
        return;
    const qreal ratio = window->devicePixelRatio();
    QVarLengthArray<xcb_rectangle_t, 16> rectangles;
    for (const QRect &rect : region) {
        const int left = int(std::floor(rect.left() * ratio));
        const int top = int(std::floor(rect.top() * ratio));
        const int right = int(std::ceil((rect.right() + 1) * ratio));
        const int bottom = int(std::ceil((rect.bottom() + 1) * ratio));
        rectangles.append(xcb_rectangle_t{int16_t(left), int16_t(top), uint16_t(right - left),
                                          uint16_t(bottom - top)});
    }
    xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT,
                         XCB_CLIP_ORDERING_UNSORTED, xcb_window_t(window->winId()), 0, 0,
                         uint32_t(rectangles.size()), rectangles.constData());
    xcb_flush(connection);
}

} // namespace X11Window
