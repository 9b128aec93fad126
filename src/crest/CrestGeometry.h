#pragma once

#include "platform/desktop/ScreenInfo.h"

#include <QList>
#include <QPointF>
#include <QRectF>

#include <optional>

/// Where the crest hangs: `workArea` below the panels and docks that
/// reserve the top of its screen, `screen` at the screen's very top edge.
enum class CrestPlacement
{
    workArea,
    screen,
};

/// The chosen screen's frame, the notch width and the height of the menu-bar
/// band at the notch, with the crest's hit test. Coordinates are global
/// desktop points with y growing downwards, so the crest's top edge is
/// `screenFrame.top()`.
struct CrestGeometry
{
    static constexpr double kPanelWidth = 660;
    static constexpr double kPanelExtraHeight = 138; // 118 of content, 8 above, 12 below
    static constexpr double kExpandedMargin = 16;
    static constexpr double kFallbackNotchWidth = 126;
    static constexpr double kMinimumNotchWidth = 120;
    static constexpr double kMinimumTopHeight = 32;

    /// The frame the crest hangs from, centred at its top: the chosen
    /// screen, or with `workArea` placement the part of it below the
    /// panels that reserve its top edge.
    QRectF screenFrame;
    double notchWidth = kFallbackNotchWidth;
    double topHeight = kMinimumTopHeight;

    /// Measures the screen with a camera housing, else the primary screen,
    /// else the first; nothing when there are no screens.
    static std::optional<CrestGeometry>
    measure(const QList<ScreenInfo> &screens, qsizetype primaryIndex,
            CrestPlacement placement = CrestPlacement::workArea);

    /// What the crest hangs from on `screen`: its usable area when panels
    /// lower its top edge and `placement` allows, else the whole frame. A
    /// usable area that is empty or not inside the screen is not believed.
    static QRectF hangingFrame(const ScreenInfo &screen, CrestPlacement placement);

    /// `placement`'s name in the settings ("workarea", "screen"); an
    /// unknown name is `workArea`.
    static CrestPlacement placementNamed(const QString &name);

    /// The panel's frame, the same collapsed or expanded.
    QRectF panelRect() const;

    /// The notch: the hot area while collapsed.
    QRectF notchRect() const;

    /// Whether `point` is over the crest's hot area. Edges count as inside.
    /// Pure and allocation-free: it runs twenty times a second.
    bool containsPointer(QPointF point, bool expanded) const;
};
