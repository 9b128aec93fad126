#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>

#include <optional>

/// Where the floating lyrics panel goes, and how its stored placement and
/// opacity read back. Pure functions on desktop points (y grows downwards).
namespace LyricsPanelGeometry {

inline constexpr QSizeF kPanelSize{390, 218};
/// Distance kept from a screen's edges.
inline constexpr double kScreenMargin = 12;
/// The first placement's distance from the primary screen's bottom-right corner.
inline constexpr double kDefaultInset = 24;
/// Below this the lyrics are hard to read over a busy window.
inline constexpr double kMinOpacity = 0.45;
inline constexpr double kDefaultOpacity = 0.9;

/// `frame` moved (never resized beyond the panel size) so that it lies
/// inside `visible` inset by the margin; the panel shrinks on very small
/// screens, and the frame's own size is ignored.
QRectF clamped(const QRectF &frame, const QRectF &visible);

/// `area` without `controls`: the band above them, the parts left and right
/// of them and the band below, each only when not empty, in that order;
/// just `area` when they do not meet.
QList<QRectF> dragRegions(const QRectF &area, const QRectF &controls);

/// Index of the screen that overlaps `rect` most, the earlier one on ties;
/// -1 when none does.
qsizetype mostOverlapping(const QRectF &rect, const QList<QRectF> &screens);

/// The panel's first frame: at `storedOrigin`, or by default near the
/// bottom-right corner of the primary screen (the first one when no primary
/// is known), clamped into the screen it overlaps most (the first one when
/// it overlaps none). None without screens.
std::optional<QRectF> initialFrame(const QList<QRectF> &screens, qsizetype primaryIndex,
                                   const std::optional<QPointF> &storedOrigin);

/// `frame` clamped into the screen it overlaps most, or into the primary one
/// (else the first) when it is on none. None without screens.
std::optional<QRectF> refitted(const QRectF &frame, const QList<QRectF> &screens,
                               qsizetype primaryIndex);

/// The stored text of a panel origin, "{x, y}"; `parseOrigin` reads it back
/// exactly.
QString originText(QPointF origin);
/// A stored origin; anything that is not two finite numbers in that form
/// reads as (0, 0), which clamping then moves onto a screen.
QPointF parseOrigin(const QVariant &stored);

/// `value` limited to the readable range; not a number gives the default.
double limitedOpacity(double value);
/// A stored opacity, limited; none when absent or not a finite number.
std::optional<double> parseOpacity(const QVariant &stored);

} // namespace LyricsPanelGeometry
