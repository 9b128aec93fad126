#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

/// Desktop-wide facts that only the X server knows: mouse presses in other
/// programs (XInput2 raw button events on the root window) and switches of
/// the current workspace. Does nothing when the session is not X11.
class X11DesktopEvents final : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit X11DesktopEvents(QObject *parent = nullptr);
    ~X11DesktopEvents() override;

    /// Starts listening; answers false when there is no X11 connection.
    bool start();
    void stop();

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

signals:
    /// A left (primary) or right (secondary) button went down anywhere.
    void mousePressed();
    void workspaceChanged();

private:
    void *m_connection = nullptr;
    quint32 m_root = 0;
    quint8 m_xinputOpcode = 0;
    quint32 m_currentDesktopAtom = 0;
    bool m_installed = false;
};
