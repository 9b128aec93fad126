#include "platform/apps/MprisApplicationLookup.h"

#include "platform/dbus/MprisValues.h"

#include <QCoreApplication>
#include <QThread>

MprisApplicationLookup::MprisApplicationLookup(ApplicationLookup &base, QObject *directoryOwner)
    : m_base(base)
{
    if (directoryOwner)
        m_directory = new MprisServiceDirectory(QDBusConnection::sessionBus(), directoryOwner);
    else if (QCoreApplication::instance())
        m_directory = &MprisServiceDirectory::shared();
}

QString MprisApplicationLookup::serviceFor(const QString &identifier)
{
    if (identifier == QLatin1String("com.spotify.client"))
        return QLatin1String(MprisValues::kSpotifyService);
    return {};
}

std::optional<qint32> MprisApplicationLookup::processID(const ApplicationIdentity &app)
{
    // A player with a bus name is running exactly while the name has an
    // owner, whatever its executable is called.
    const QString service = serviceFor(app.identifier);
    if (!service.isEmpty() && m_directory && QThread::currentThread() == m_directory->thread())
        return m_directory->processID(service);
    return m_base.processID(app);
}

bool MprisApplicationLookup::isInstalled(const ApplicationIdentity &app)
{
    return m_base.isInstalled(app);
}
