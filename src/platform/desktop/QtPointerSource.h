#pragma once

#include "platform/desktop/PointerSource.h"

/// Pointer and modifiers through Qt (on X11 a query of the server each call).
class QtPointerSource final : public PointerSource
{
public:
    QPointF globalPosition() const override;
    Modifiers modifiers() const override;
};
