#include "platform/desktop/X11Window.h"

#include <QGuiApplication>
#include <QVarLengthArray>
#include <QWindow>

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <algorithm>
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

xcb_window_t rootOf(xcb_connection_t *connection)
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

// Whether the running window manager lists `wanted` in `_NET_SUPPORTED`.
bool isSupported(xcb_connection_t *connection, xcb_atom_t wanted)
{
    // A window manager lists a few hundred atoms at most.
    constexpr uint32_t kMaxAtoms = 1024;
    auto cookie = xcb_get_property(connection, 0, rootOf(connection),
                                   atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 0, kMaxAtoms);
    auto *reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (!reply)
        return false;
    bool found = false;
    if (reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / int(sizeof(xcb_atom_t));
        found = std::find(atoms, atoms + count, wanted) != atoms + count;
    }
    std::free(reply);
    return found;
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

quint32 activeWindow(QWindow *window)
{
    auto *connection = connectionFor(window);
    if (!connection)
        return 0;
    auto cookie = xcb_get_property(connection, 0, rootOf(connection),
                                   atom(connection, "_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1);
    auto *reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (!reply)
        return 0;
    quint32 active = 0;
    if (reply->format == 32 && reply->type == XCB_ATOM_WINDOW &&
        xcb_get_property_value_length(reply) >= int(sizeof(xcb_window_t)))
        active = *static_cast<const xcb_window_t *>(xcb_get_property_value(reply));
    std::free(reply);
    return active;
}

bool activate(QWindow *window, quint32 target)
{
    auto *connection = connectionFor(window);
    if (!connection || target == XCB_WINDOW_NONE)
        return false;
    const xcb_atom_t activeAtom = atom(connection, "_NET_ACTIVE_WINDOW");
    if (!isSupported(connection, activeAtom))
        return false;
    // A window that closed, or was minimised, while the crest held the
    // keyboard is left alone: focus stays where the window manager puts it.
    auto *attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, target), nullptr);
    const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    if (!viewable)
        return false;

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = target;
    message.type = activeAtom;
    message.data.data32[0] = 2; // a pager: the person's own choice, not focus stealing
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, rootOf(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);
    return true;
}

} // namespace X11Window
