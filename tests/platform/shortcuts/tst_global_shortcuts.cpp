#include "platform/shortcuts/PortalGlobalShortcut.h"
#include "platform/shortcuts/X11KeyGrab.h"
#include "support/PrivateSessionBus.h"
#include "support/TestRows.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <xcb/xcb.h>

namespace {

using namespace Qt::StringLiterals;

// The desktop portal as a session offers it: a session for every caller,
// a binding it grants or refuses, Activated for the shortcuts it bound.
struct FakePortal : QDBusVirtualObject
{
    bool grants = true;
    QString trigger; // the preferred trigger asked for
    QString session;

    bool handleMessage(const QDBusMessage &call, const QDBusConnection &bus) override
    {
        const QVariantMap options = qdbus_cast<QVariantMap>(call.arguments().last());
        const QString request = u"/org/freedesktop/portal/desktop/request/"_s +
                                call.service().mid(1).replace(u'.', u'_') + u'/' +
                                options.value(u"handle_token"_s).toString();
        bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage response =
            QDBusMessage::createSignal(request, u"org.freedesktop.portal.Request"_s, u"Response"_s);
        if (call.member() == u"CreateSession"_s) {
            response << 0u << QVariantMap{{u"session_handle"_s, session}};
        } else {
            const auto shortcuts = call.arguments().at(1).value<QDBusArgument>();
            shortcuts.beginArray();
            shortcuts.beginStructure();
            QString id;
            QVariantMap properties;
            shortcuts >> id >> properties;
            trigger = properties.value(u"preferred_trigger"_s).toString();
            response << (grants ? 0u : 2u) << QVariantMap{};
        }
        bus.send(response);
        if (call.member() == u"BindShortcuts"_s && grants) {
            // A person presses it: only the last of the three is this shortcut.
            const QString ours = QString::fromLatin1(PortalGlobalShortcut::kShortcutId);
            activate(bus, u"/elsewhere"_s, ours);
            activate(bus, session, u"another"_s);
            activate(bus, session, ours);
        }
        return true;
    }
    QString introspect(const QString &) const override { return {}; }

    static void activate(const QDBusConnection &bus, const QString &inSession, const QString &id)
    {
        QDBusMessage signal =
            QDBusMessage::createSignal(u"/org/freedesktop/portal/desktop"_s,
                                       u"org.freedesktop.portal.GlobalShortcuts"_s, u"Activated"_s);
        signal << QVariant::fromValue(QDBusObjectPath(inSession)) << id << qulonglong(1)
               << QVariantMap{};
        bus.send(signal);
    }
};

PrivateSessionBus privateBus;

} // namespace

class GlobalShortcutsTest : public QObject
{
    Q_OBJECT

    FakePortal m_portal;

private slots:
    void initTestCase()
    {
        QVERIFY(privateBus.start());
        QDBusConnection portalBus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"portal"_s);
        QVERIFY(portalBus.registerService(u"org.freedesktop.portal.Desktop"_s));
        QVERIFY(portalBus.registerVirtualObject(u"/org/freedesktop/portal/desktop"_s, &m_portal));
    }

    // Taken through the desktop portal: its trigger in the portal's words,
    // Activated only for its own session and id, a refusal said once.
    void portalBindsAndFollowsItsShortcut_data()
    {
        columns<QString, bool, QString>("sequence", "grants", "trigger");
        row("default", u"Meta+Alt+N"_s, true, u"ALT+LOGO+n"_s);
        row("function key", u"Ctrl+Shift+F5"_s, true, u"CTRL+SHIFT+F5"_s);
        row("refused", u"Ctrl+Alt+N"_s, false, u"CTRL+ALT+n"_s);
    }
    void portalBindsAndFollowsItsShortcut()
    {
        auto [sequence, grants, trigger] =
            fetch<QString, bool, QString>("sequence", "grants", "trigger");
        QDBusConnection portalBus = QDBusConnection(u"portal"_s);
        m_portal.grants = grants;
        m_portal.session =
            u"/org/freedesktop/portal/desktop/session/1/"_s + QTest::currentDataTag();
        m_portal.session.replace(u' ', u'_');
        FakePortal &portal = m_portal;
        PortalGlobalShortcut shortcut(QDBusConnection::sessionBus());
        QSignalSpy activated(&shortcut, &GlobalShortcut::activated);
        QSignalSpy failed(&shortcut, &GlobalShortcut::failed);
        shortcut.start(QKeySequence(sequence));
        QTRY_COMPARE(portal.trigger, trigger);
        QTRY_COMPARE(activated.count() + failed.count(), 1);
        QCOMPARE(failed.count(), grants ? 0 : 1);
    }

    // Taken on the X display: fires for the combination with or without Num
    // Lock, and a combination another program holds is refused, never taken.
    void keyGrabFiresOrSaysWhyNot()
    {
        X11KeyGrab grab;
        QSignalSpy activated(&grab, &GlobalShortcut::activated);
        QSignalSpy failed(&grab, &GlobalShortcut::failed);
        grab.start(QKeySequence(u"Meta+Alt+N"_s));
        QCOMPARE(failed.count(), 0);
        QCOMPARE(QProcess::execute(u"xdotool"_s, {u"key"_s, u"super+alt+n"_s}), 0);
        QCOMPARE(QProcess::execute(u"xdotool"_s,
                                   {u"key"_s, u"Num_Lock"_s, u"super+alt+n"_s, u"Num_Lock"_s}),
                 0);
        QTRY_COMPARE(activated.count(), 2);

        // Another program holds every key with Ctrl+Alt.
        xcb_connection_t *other = xcb_connect(nullptr, nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
        xcb_grab_key(other, 0, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, XCB_GRAB_ANY,
                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
        for (const QString &sequence : {u"Ctrl+Alt+F7"_s, u"Ctrl+Alt+Launch0"_s}) {
            X11KeyGrab refused;
            QSignalSpy why(&refused, &GlobalShortcut::failed);
            refused.start(QKeySequence(sequence));
            QCOMPARE(why.count(), 1);
            QCOMPARE(why.first().first().toString(), sequence.endsWith(u"F7"_s)
                                                         ? u"another program already uses it"_s
                                                         : u"the keyboard has no such key"_s);
        }
        xcb_disconnect(other);
    }
};

QTEST_MAIN(GlobalShortcutsTest)
#include "tst_global_shortcuts.moc"
