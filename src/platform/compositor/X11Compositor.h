#pragma once

#include "platform/compositor/Compositor.h"

/// Asks the X server whether any screen's compositing-manager selection
/// (`_NET_WM_CM_Sn`) has an owner. Every display that is not X11 composites.
class X11Compositor final : public Compositor
{
public:
    bool isRunning() const override;
};
