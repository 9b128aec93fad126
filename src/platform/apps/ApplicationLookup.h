#pragma once

#include <QString>
#include <QStringList>

#include <optional>

/// How an application shows up on this system. `identifier` is the name the
/// rest of the program knows it by (for example "com.spotify.client"); the
/// lists say how to find it. An identity with empty lists is never running and
/// never installed.
struct ApplicationIdentity
{
    QString identifier;
    /// Names of the executable file its processes run (the last component of
    /// /proc/<pid>/exe); also looked up on PATH.
    QStringList executableNames;
    /// Desktop entry ids without ".desktop", looked up in the XDG data dirs.
    QStringList desktopEntries;
};

/// The running and installed applications. One interface for both queries so
/// that the process answer can be refined later (for example to agree with
/// the owner of a player's D-Bus name) without touching the callers.
class ApplicationLookup
{
public:
    virtual ~ApplicationLookup() = default;

    /// The application's main process, or none when it is not running.
    virtual std::optional<qint32> processID(const ApplicationIdentity &app) = 0;

    /// True when a desktop entry or an executable of the application exists.
    virtual bool isInstalled(const ApplicationIdentity &app) = 0;

    /// The process-wide lookup (main thread). Unless another one has been
    /// installed this is a `SystemApplicationLookup` on the system clock,
    /// refined by the owners of players' MPRIS services (`MprisApplicationLookup`).
    static ApplicationLookup &shared();

    /// Installs `lookup` as the process-wide one; null restores the system
    /// lookup. The caller keeps ownership and must outlive its installation.
    static void setShared(ApplicationLookup *lookup);
};
