#pragma once

#include "platform/apps/ApplicationLookup.h"

/// Where an application's files are installed, read afresh on every call.
namespace ApplicationFiles {

/// Path of the first of the application's desktop entries found in the XDG
/// data dirs; empty when none is.
QString desktopEntry(const ApplicationIdentity &app);

/// Path of the first of the application's executables found on PATH; empty
/// when none is.
QString executable(const ApplicationIdentity &app);

} // namespace ApplicationFiles
