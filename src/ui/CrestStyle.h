#pragma once

#include <QColor>
#include <QString>

/// The colours every area of the crest and the floating lyrics share: a pale
/// mint accent on black and two dims of white for secondary text.
namespace CrestStyle {

inline const QColor accent = QColor::fromRgbF(0.72f, 0.91f, 0.8f, 1.0f);
inline const QColor secondary = QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.52f);
inline const QColor tertiary = QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.32f);
/// Warnings and failed saves.
inline const QColor warning = QColor::fromRgbF(1.0f, 0.584f, 0.0f, 1.0f);

/// White at `opacity`, the crest's text and fill dims.
inline QColor white(double opacity)
{
    return QColor::fromRgbF(1.0f, 1.0f, 1.0f, float(opacity));
}

/// `color` with its alpha, as style sheets take it.
inline QString css(const QColor &color)
{
    return color.name(QColor::HexArgb);
}

/// `color` at `opacity`.
inline QColor withOpacity(QColor color, double opacity)
{
    color.setAlphaF(float(opacity));
    return color;
}

} // namespace CrestStyle

/// How a crest button answers a press: it dims and dips slightly, or only
/// dims when the user asked for reduced motion.
namespace CrestPressStyle {

inline constexpr double kDisabledOpacity = 0.35;
inline constexpr double kPressedOpacity = 0.72;
inline constexpr double kPressedScale = 0.94;
/// The press animation, ease-out; none under reduced motion.
inline constexpr int kAnimationMilliseconds = 120;

/// The label's opacity for the button's state.
constexpr double opacity(bool isEnabled, bool isPressed)
{
    return !isEnabled ? kDisabledOpacity : isPressed ? kPressedOpacity : 1.0;
}

/// The label's scale about its centre; a disabled button cannot be pressed.
constexpr double scale(bool isEnabled, bool isPressed, bool reduceMotion)
{
    return isEnabled && isPressed && !reduceMotion ? kPressedScale : 1.0;
}

} // namespace CrestPressStyle
