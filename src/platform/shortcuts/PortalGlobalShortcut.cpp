#include "platform/shortcuts/PortalGlobalShortcut.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QRandomGenerator>

namespace {

using namespace Qt::StringLiterals;

const QString kService = u"org.freedesktop.portal.Desktop"_s;
const QString kPath = u"/org/freedesktop/portal/desktop"_s;
const QString kInterface = u"org.freedesktop.portal.GlobalShortcuts"_s;
const QString kRequest = u"org.freedesktop.portal.Request"_s;
// A session handle is an object path the portal made; anything longer is
// not one.
constexpr qsizetype kMaxHandle = 512;

struct Shortcut
{
    QString id;
    QVariantMap properties;
};

QDBusArgument &operator<<(QDBusArgument &argument, const Shortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, Shortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

QString token()
{
    return u"velloway%1"_s.arg(QRandomGenerator::global()->generate());
}

} // namespace

Q_DECLARE_METATYPE(Shortcut)

PortalGlobalShortcut::PortalGlobalShortcut(const QDBusConnection &bus, QObject *parent)
    : GlobalShortcut(parent), m_bus(bus)
{
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<QList<Shortcut>>();
    // The signal is connected by the slot's signature: its types must be
    // known by name before the first connection, or it silently fails.
    qRegisterMetaType<QDBusObjectPath>();
    qRegisterMetaType<QVariantMap>();
}

void PortalGlobalShortcut::askOffered(const QDBusConnection &bus, QObject *context,
                                      std::function<void(bool)> answer, int timeoutMs)
{
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(kService).value()) {
        answer(false);
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << kInterface << u"version"_s;
    // Asked without blocking: a portal slow to answer must not hold up the
    // crest's start.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(get, timeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, answer = std::move(answer)] {
                         watcher->deleteLater();
                         answer(!watcher->isError());
                     });
}

QString PortalGlobalShortcut::portalTrigger(const QKeySequence &trigger)
{
    if (trigger.count() != 1)
        return {};
    const QKeyCombination combination = trigger[0];
    const int key = combination.key();
    QString name;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        name = QChar(u'a' + (key - Qt::Key_A));
    else if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_F1 && key <= Qt::Key_F35))
        name = QKeySequence(key).toString(QKeySequence::PortableText);
    else if (key == Qt::Key_Space)
        name = u"space"_s;
    else
        return {};
    QStringList parts;
    const auto modifiers = combination.keyboardModifiers();
    if (modifiers & Qt::ControlModifier)
        parts << u"CTRL"_s;
    if (modifiers & Qt::AltModifier)
        parts << u"ALT"_s;
    if (modifiers & Qt::ShiftModifier)
        parts << u"SHIFT"_s;
    if (modifiers & Qt::MetaModifier)
        parts << u"LOGO"_s;
    parts << name;
    return parts.join(u'+');
}

void PortalGlobalShortcut::start(const QKeySequence &trigger)
{
    m_trigger = portalTrigger(trigger);
    if (m_trigger.isEmpty()) {
        emit failed(u"the desktop cannot bind such a key"_s);
        return;
    }
    m_bus.connect(kService, kPath, kInterface, u"Activated"_s, this,
                  SLOT(shortcutActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    const QString requestToken = token();
    request(u"CreateSession"_s,
            {QVariantMap{{u"handle_token"_s, requestToken}, {u"session_handle_token"_s, token()}}},
            requestToken, SLOT(sessionCreated(uint, QVariantMap)));
}

void PortalGlobalShortcut::request(const QString &method, QVariantList arguments,
                                   const QString &requestToken, const char *slot)
{
    // The reply names the request object, but its Response may come before
    // the reply: listen on the path the portal will use before asking.
    QString sender = m_bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString path = kPath + u"/request/"_s + sender + u'/' + requestToken;
    forgetRequest();
    m_pendingRequest = path;
    m_pendingSlot = slot;
    m_bus.connect(kService, path, kRequest, u"Response"_s, this, slot);

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (watcher->isError())
            emit failed(u"the desktop portal refused it (%1)"_s.arg(watcher->error().name()));
    });
}

void PortalGlobalShortcut::sessionCreated(uint response, const QVariantMap &results)
{
    forgetRequest();
    const QVariant handle = results.value(u"session_handle"_s);
    m_session = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                     : handle.toString();
    if (response != 0 || m_session.isEmpty() || m_session.size() > kMaxHandle ||
        !QDBusObjectPath(m_session).path().startsWith(u'/')) {
        emit failed(u"the desktop portal gave no shortcut session"_s);
        return;
    }
    const QList<Shortcut> shortcuts{
        {QString::fromLatin1(kShortcutId),
         {{u"description"_s, u"Open the crest with the cursor in the notes"_s},
          {u"preferred_trigger"_s, m_trigger}}}};
    const QString requestToken = token();
    request(u"BindShortcuts"_s,
            {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts),
             QString(), QVariantMap{{u"handle_token"_s, requestToken}}},
            requestToken, SLOT(shortcutsBound(uint, QVariantMap)));
}

void PortalGlobalShortcut::forgetRequest()
{
    if (m_pendingSlot)
        m_bus.disconnect(kService, m_pendingRequest, kRequest, u"Response"_s, this, m_pendingSlot);
    m_pendingRequest.clear();
    m_pendingSlot = nullptr;
}

void PortalGlobalShortcut::shortcutsBound(uint response, const QVariantMap &)
{
    forgetRequest();
    if (response != 0)
        emit failed(u"the desktop did not allow it"_s);
}

void PortalGlobalShortcut::shortcutActivated(const QDBusObjectPath &session, const QString &id,
                                             qulonglong, const QVariantMap &)
{
    if (!m_session.isEmpty() && session.path() == m_session && id == QLatin1String(kShortcutId))
        emit activated();
}
