#include "crest/CrestGeometry.h"

#include <algorithm>

QRectF CrestGeometry::hangingFrame(const ScreenInfo &screen, CrestPlacement placement)
{
    const QRectF &usable = screen.usableArea;
    // Desktops report what their panels reserve; an area that is empty or
    // reaches outside the screen is a fault of theirs, not a place to hang.
    if (placement == CrestPlacement::screen || usable.isEmpty() || !screen.frame.contains(usable) ||
        usable.top() <= screen.frame.top() ||
        usable.height() < kMinimumTopHeight + kPanelExtraHeight)
        return screen.frame;
    return usable;
}

CrestPlacement CrestGeometry::placementNamed(const QString &name)
{
    return name.trimmed().compare(QLatin1String("screen"), Qt::CaseInsensitive) == 0
               ? CrestPlacement::screen
               : CrestPlacement::workArea;
}

std::optional<CrestGeometry> CrestGeometry::measure(const QList<ScreenInfo> &screens,
                                                    qsizetype primaryIndex,
                                                    CrestPlacement placement)
{
    if (screens.isEmpty())
        return std::nullopt;

    const ScreenInfo *chosen = nullptr;
    for (const ScreenInfo &screen : screens) {
        if (screen.topInset > 0) {
            chosen = &screen;
            break;
        }
    }
    if (!chosen)
        chosen = &screens.at(primaryIndex >= 0 && primaryIndex < screens.size() ? primaryIndex : 0);

    const double top = chosen->topInset;
    CrestGeometry geometry;
    geometry.screenFrame = hangingFrame(*chosen, placement);
    if (chosen->auxiliaryTopLeftArea && chosen->auxiliaryTopRightArea && top > 0) {
        const double gap =
            chosen->auxiliaryTopRightArea->left() - chosen->auxiliaryTopLeftArea->right();
        geometry.notchWidth = std::max(gap, kMinimumNotchWidth);
    } else {
        geometry.notchWidth = kFallbackNotchWidth;
    }
    geometry.topHeight = top > 0 ? std::max(top, kMinimumTopHeight) : kMinimumTopHeight;
    return geometry;
}

QRectF CrestGeometry::panelRect() const
{
    return QRectF(screenFrame.center().x() - kPanelWidth / 2, screenFrame.top(), kPanelWidth,
                  topHeight + kPanelExtraHeight);
}

QRectF CrestGeometry::notchRect() const
{
    return QRectF(screenFrame.center().x() - notchWidth / 2, screenFrame.top(), notchWidth,
                  topHeight);
}

bool CrestGeometry::containsPointer(QPointF point, bool expanded) const
{
    const QRectF hot = expanded ? panelRect().adjusted(-kExpandedMargin, -kExpandedMargin,
                                                       kExpandedMargin, kExpandedMargin)
                                : notchRect();
    // Clipped by hand so that the edges of the result count as inside; an
    // intersection without area (a screen of no size) holds no point.
    const double minX = std::max(hot.left(), screenFrame.left());
    const double maxX = std::min(hot.right(), screenFrame.right());
    const double minY = std::max(hot.top(), screenFrame.top());
    const double maxY = std::min(hot.bottom(), screenFrame.bottom());
    if (minX >= maxX || minY >= maxY)
        return false;
    return point.x() >= minX && point.x() <= maxX && point.y() >= minY && point.y() <= maxY;
}
