#pragma once

/// Whether a compositing manager draws the desktop. Without one, the parts of
/// a translucent window that nobody paints show black.
class Compositor
{
public:
    virtual ~Compositor() = default;

    /// A compositing manager runs on the display now.
    virtual bool isRunning() const = 0;
};
