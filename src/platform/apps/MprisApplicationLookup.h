#pragma once

#include "platform/apps/ApplicationLookup.h"
#include "platform/dbus/MprisServiceDirectory.h"

#include <QPointer>

/// Running applications as the players are found: a player with an MPRIS
/// service runs exactly while that service has an owner, and its process is
/// the owner's (a player runs several processes, and only that one answers);
/// any other application is the underlying lookup's answer.
class MprisApplicationLookup final : public ApplicationLookup
{
public:
    /// `base` must outlive this lookup. The directory of the session bus's
    /// services lives on the main thread and is owned by `directoryOwner`
    /// (the shared directory when null; without an application object,
    /// `base` alone answers). Queries from other threads use `base` alone.
    explicit MprisApplicationLookup(ApplicationLookup &base, QObject *directoryOwner = nullptr);

    std::optional<qint32> processID(const ApplicationIdentity &app) override;
    bool isInstalled(const ApplicationIdentity &app) override;

    /// The MPRIS service of the application known as `identifier`; empty
    /// when it has none.
    static QString serviceFor(const QString &identifier);

private:
    ApplicationLookup &m_base;
    QPointer<MprisServiceDirectory> m_directory;
};
