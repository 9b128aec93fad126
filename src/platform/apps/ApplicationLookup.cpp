#include "platform/apps/ApplicationLookup.h"

#include "core/SystemClock.h"
#include "platform/apps/MprisApplicationLookup.h"
#include "platform/apps/SystemApplicationLookup.h"

namespace {
ApplicationLookup *g_installed = nullptr;
}

ApplicationLookup &ApplicationLookup::shared()
{
    static SystemApplicationLookup system(SystemClock::shared());
    static MprisApplicationLookup players(system);
    return g_installed ? *g_installed : players;
}

void ApplicationLookup::setShared(ApplicationLookup *lookup)
{
    g_installed = lookup;
}
