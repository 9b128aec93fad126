#include "platform/dbus/PlayerNotificationCenter.h"

#include "platform/dbus/MprisNotificationCenter.h"

#include <QCoreApplication>
#include <QPointer>

PlayerNotificationCenter &PlayerNotificationCenter::shared()
{
    static QPointer<MprisNotificationCenter> center;
    if (!center)
        center = new MprisNotificationCenter(QDBusConnection::sessionBus(),
                                             QCoreApplication::instance());
    return *center;
}
