#pragma once

#include <QFlags>
#include <QPointF>

/// The global pointer and the modifier keys held right now.
class PointerSource
{
public:
    enum class Modifier
    {
        Shift = 0x1,
        Control = 0x2,
        Alt = 0x4,
        Super = 0x8, // Qt calls it Meta
    };
    Q_DECLARE_FLAGS(Modifiers, Modifier)

    virtual ~PointerSource() = default;

    /// Global pointer position in desktop points.
    virtual QPointF globalPosition() const = 0;

    /// Modifier keys held now, asked of the window system rather than taken
    /// from the last event, since the pointer may be over another program.
    virtual Modifiers modifiers() const = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(PointerSource::Modifiers)
