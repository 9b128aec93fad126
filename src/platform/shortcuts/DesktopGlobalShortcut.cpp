#include "platform/shortcuts/DesktopGlobalShortcut.h"

#include "platform/shortcuts/PortalGlobalShortcut.h"
#include "platform/shortcuts/X11KeyGrab.h"

#include <QDBusConnection>

DesktopGlobalShortcut::DesktopGlobalShortcut(QObject *parent) : GlobalShortcut(parent) {}

DesktopGlobalShortcut::~DesktopGlobalShortcut() = default;

void DesktopGlobalShortcut::start(const QKeySequence &trigger)
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    PortalGlobalShortcut::askOffered(bus, this, [this, bus, trigger](bool offered) {
        if (offered)
            m_way = std::make_unique<PortalGlobalShortcut>(bus);
        else
            m_way = std::make_unique<X11KeyGrab>();
        connect(m_way.get(), &GlobalShortcut::activated, this, &GlobalShortcut::activated);
        connect(m_way.get(), &GlobalShortcut::failed, this, &GlobalShortcut::failed);
        m_way->start(trigger);
    });
}
