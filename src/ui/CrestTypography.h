#pragma once

#include <QFont>

/// The crest's one source of fonts: the system font sized in
/// device-independent points, the unit every crest measure uses, whatever
/// the screen's logical DPI or device pixel ratio.
namespace CrestTypography {

/// The system font `points` large in `weight`.
QFont font(double points, QFont::Weight weight = QFont::Normal);

/// The preview window's title: the system headline.
inline QFont headline()
{
    return font(13, QFont::DemiBold);
}

} // namespace CrestTypography
