#pragma once

#include "platform/shortcuts/GlobalShortcut.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QVariantMap>

#include <functional>

/// A global shortcut through the desktop portal's GlobalShortcuts
/// interface: a session, one bound shortcut, its `Activated` signal. The
/// desktop may let the person pick another trigger or refuse it.
class PortalGlobalShortcut final : public GlobalShortcut
{
    Q_OBJECT

public:
    static constexpr char kShortcutId[] = "open-notes";

    explicit PortalGlobalShortcut(const QDBusConnection &bus, QObject *parent = nullptr);

    /// Asks whether the session's portal offers global shortcuts and calls
    /// `answer` with the outcome, within `timeoutMs`. Never starts a portal
    /// that is not running.
    static void askOffered(const QDBusConnection &bus, QObject *context,
                           std::function<void(bool)> answer, int timeoutMs = 2000);

    void start(const QKeySequence &trigger) override;

    /// `trigger` in the shortcuts notation portals read ("LOGO+ALT+n");
    /// empty for a sequence that is not one key with modifiers.
    static QString portalTrigger(const QKeySequence &trigger);

private slots:
    void sessionCreated(uint response, const QVariantMap &results);
    void shortcutsBound(uint response, const QVariantMap &results);
    void shortcutActivated(const QDBusObjectPath &session, const QString &id, qulonglong timestamp,
                           const QVariantMap &options);

private:
    /// Calls `method` with `arguments` and sends its `Response` to `slot`.
    void request(const QString &method, QVariantList arguments, const QString &token,
                 const char *slot);
    void forgetRequest();

    QDBusConnection m_bus;
    QString m_trigger;
    QString m_session;
    QString m_pendingRequest;
    const char *m_pendingSlot = nullptr;
};
