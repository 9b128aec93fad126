#include "platform/ApplicationLookup.h"

#include "platform/SystemApplicationLookup.h"
#include "platform/SystemClock.h"

namespace {
ApplicationLookup *g_installed = nullptr;
}

ApplicationLookup &ApplicationLookup::shared()
{
    static SystemApplicationLookup system(SystemClock::shared());
    return g_installed ? *g_installed : system;
}

void ApplicationLookup::setShared(ApplicationLookup *lookup)
{
    g_installed = lookup;
}
