#pragma once

#include <QFont>

/// Fonts sized in device-independent points, the unit every crest measure
/// uses, whatever the screen's logical DPI.
namespace SpotifyTypography {

/// The system font `points` large in `weight`.
QFont font(double points, QFont::Weight weight = QFont::Normal);

} // namespace SpotifyTypography
