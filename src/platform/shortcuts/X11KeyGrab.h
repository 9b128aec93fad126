#pragma once

#include "platform/shortcuts/GlobalShortcut.h"

#include <QAbstractNativeEventFilter>

/// A global shortcut as an X11 passive key grab on the root window, taken
/// for every state of Num Lock and Caps Lock. Fails when another program
/// holds the same grab or there is no X11 display.
class X11KeyGrab final : public GlobalShortcut, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    /// The X11 keysym of a Qt key, for letters, digits, F1 to F35 and a few
    /// named keys; 0 for keys it does not know.
    static quint32 keysymFor(int qtKey);

    explicit X11KeyGrab(QObject *parent = nullptr);
    ~X11KeyGrab() override;

    void start(const QKeySequence &trigger) override;

protected:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    void release();

    void *m_connection = nullptr;
    quint32 m_root = 0;
    quint8 m_keycode = 0;
    quint16 m_modifiers = 0;
    bool m_grabbed = false;
};
