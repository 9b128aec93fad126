#include "platform/ApplicationLookup.h"

#include "platform/MprisApplicationLookup.h"
#include "platform/SystemApplicationLookup.h"
#include "platform/SystemClock.h"

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
