#include "platform/shortcuts/X11KeyGrab.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

using namespace Qt::StringLiterals;

xcb_connection_t *x11Connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Num Lock sits on Mod2 on every common keyboard map; a grab must hold with
// it and Caps Lock on or off, or the shortcut works only half the time.
constexpr uint16_t kLockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                      XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr uint16_t kIgnoredModifiers = XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2;
constexpr uint8_t kBadAccess = 10;

uint16_t x11Modifiers(Qt::KeyboardModifiers modifiers)
{
    uint16_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

// The first keycode whose unshifted keysym is `keysym`; 0 when the keyboard
// map has none.
uint8_t keycodeFor(xcb_connection_t *connection, uint32_t keysym)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const uint8_t first = setup->min_keycode;
    const int count = setup->max_keycode - first + 1;
    std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> reply(
        xcb_get_keyboard_mapping_reply(
            connection, xcb_get_keyboard_mapping(connection, first, uint8_t(count)), nullptr),
        &std::free);
    if (!reply || reply->keysyms_per_keycode == 0)
        return 0;
    const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
    const int length = xcb_get_keyboard_mapping_keysyms_length(reply.get());
    const int perKeycode = reply->keysyms_per_keycode;
    for (int code = 0; code < count && (code + 1) * perKeycode <= length; ++code) {
        if (keysyms[code * perKeycode] == keysym)
            return uint8_t(first + code);
    }
    return 0;
}

} // namespace

X11KeyGrab::X11KeyGrab(QObject *parent) : GlobalShortcut(parent) {}

X11KeyGrab::~X11KeyGrab()
{
    release();
}

quint32 X11KeyGrab::keysymFor(int qtKey)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return quint32(qtKey - Qt::Key_A + 'a');
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return quint32(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35)
        return quint32(0xffbe + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_Return:
        return 0xff0d;
    case Qt::Key_Insert:
        return 0xff63;
    case Qt::Key_Pause:
        return 0xff13;
    default:
        return 0;
    }
}

void X11KeyGrab::start(const QKeySequence &trigger)
{
    release();
    auto *connection = x11Connection();
    if (!connection) {
        emit failed(u"there is no X11 display to take it from"_s);
        return;
    }
    const QKeyCombination combination = trigger.isEmpty() ? QKeyCombination() : trigger[0];
    const quint32 keysym = keysymFor(combination.key());
    const uint8_t keycode = keysym ? keycodeFor(connection, keysym) : 0;
    if (trigger.count() != 1 || !keycode) {
        emit failed(u"the keyboard has no such key"_s);
        return;
    }
    m_connection = connection;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    m_keycode = keycode;
    m_modifiers = x11Modifiers(combination.keyboardModifiers());

    xcb_void_cookie_t cookies[std::size(kLockVariants)];
    for (size_t i = 0; i < std::size(kLockVariants); ++i) {
        cookies[i] = xcb_grab_key_checked(connection, 0, m_root, m_modifiers | kLockVariants[i],
                                          m_keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    }
    bool taken = false;
    bool refused = false;
    for (const xcb_void_cookie_t &cookie : cookies) {
        if (xcb_generic_error_t *error = xcb_request_check(connection, cookie)) {
            (error->error_code == kBadAccess ? taken : refused) = true;
            std::free(error);
        }
    }
    m_grabbed = true;
    if (taken || refused) {
        release();
        emit failed(taken ? u"another program already uses it"_s : u"the X server refused it"_s);
        return;
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
}

void X11KeyGrab::release()
{
    if (!m_grabbed)
        return;
    m_grabbed = false;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    auto *connection = static_cast<xcb_connection_t *>(m_connection);
    if (connection != x11Connection())
        return; // the display is gone, and the grabs with it
    for (uint16_t variant : kLockVariants)
        xcb_ungrab_key(connection, m_keycode, m_root, m_modifiers | variant);
    xcb_flush(connection);
}

bool X11KeyGrab::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    auto *event = static_cast<xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    auto *press = reinterpret_cast<xcb_key_press_event_t *>(event);
    if (press->event == m_root && press->detail == m_keycode &&
        (press->state & ~kIgnoredModifiers & 0xff) == m_modifiers)
        emit activated();
    // Qt still reads the press's time, which lets the crest take the keyboard.
    return false;
}
