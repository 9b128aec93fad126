#pragma once

#include <QRectF>

#include <optional>

/// What the crest needs to know of one screen, in global coordinates of the
/// desktop (points, y growing downwards as on X11).
struct ScreenInfo
{
    QRectF frame;
    /// Height of the area at the top of the screen taken by a camera housing;
    /// 0 when the screen has none (every Linux screen today).
    double topInset = 0;
    /// The usable menu-bar areas left and right of a camera housing, if any.
    std::optional<QRectF> auxiliaryTopLeftArea;
    std::optional<QRectF> auxiliaryTopRightArea;
    /// The part of `frame` windows may use, without panels and docks; empty
    /// when the desktop does not say, which stands for the whole frame.
    QRectF usableArea{};

    QRectF visibleFrame() const { return usableArea.isEmpty() ? frame : usableArea; }
};
