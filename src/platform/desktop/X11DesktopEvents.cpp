#include "platform/desktop/X11DesktopEvents.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>
#include <cstring>

namespace {

xcb_connection_t *x11Connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

constexpr quint32 kLeftButton = 1;
constexpr quint32 kRightButton = 3;

// Selected for the master devices only, so Qt's own selection for all devices
// on the root window stays untouched.
void selectRawPresses(xcb_connection_t *connection, xcb_window_t root, uint32_t mask)
{
    struct
    {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } selection{};
    selection.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
    selection.head.mask_len = 1;
    selection.mask = mask;
    xcb_input_xi_select_events(connection, root, 1, &selection.head);
}

} // namespace

X11DesktopEvents::X11DesktopEvents(QObject *parent) : QObject(parent) {}

X11DesktopEvents::~X11DesktopEvents()
{
    stop();
}

bool X11DesktopEvents::start()
{
    auto *connection = x11Connection();
    if (!connection || m_installed)
        return m_installed;
    m_connection = connection;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;

    const xcb_query_extension_reply_t *xinput = xcb_get_extension_data(connection, &xcb_input_id);
    if (xinput && xinput->present) {
        m_xinputOpcode = xinput->major_opcode;
        // Raw events go to the root window whatever program the pointer is over.
        selectRawPresses(connection, m_root, XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS);
    }

    // Property changes of the root window carry workspace switches; add the
    // mask to whatever this client already selected there.
    const char *atomName = "_NET_CURRENT_DESKTOP";
    auto atomCookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(atomName)), atomName);
    auto attributesCookie = xcb_get_window_attributes(connection, m_root);
    if (auto *atom = xcb_intern_atom_reply(connection, atomCookie, nullptr)) {
        m_currentDesktopAtom = atom->atom;
        std::free(atom);
    }
    if (auto *attributes = xcb_get_window_attributes_reply(connection, attributesCookie, nullptr)) {
        const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection, m_root, XCB_CW_EVENT_MASK, &mask);
        std::free(attributes);
    }
    xcb_flush(connection);

    QCoreApplication::instance()->installNativeEventFilter(this);
    m_installed = true;
    return true;
}

void X11DesktopEvents::stop()
{
    if (!m_installed)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    auto *connection = static_cast<xcb_connection_t *>(m_connection);
    if (m_xinputOpcode && connection == x11Connection()) {
        selectRawPresses(connection, m_root, 0);
        xcb_flush(connection);
    }
    m_installed = false;
}

bool X11DesktopEvents::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    const quint8 type = event->response_type & 0x7f;
    if (type == XCB_GE_GENERIC && m_xinputOpcode) {
        auto *generic = reinterpret_cast<xcb_ge_generic_event_t *>(event);
        if (generic->extension == m_xinputOpcode &&
            generic->event_type == XCB_INPUT_RAW_BUTTON_PRESS) {
            auto *press = reinterpret_cast<xcb_input_raw_button_press_event_t *>(event);
            if (press->detail == kLeftButton || press->detail == kRightButton)
                emit mousePressed();
        }
    } else if (type == XCB_PROPERTY_NOTIFY && m_currentDesktopAtom) {
        auto *property = reinterpret_cast<xcb_property_notify_event_t *>(event);
        if (property->window == m_root && property->atom == m_currentDesktopAtom)
            emit workspaceChanged();
    }
    return false;
}
