#pragma once

#include <QColor>
#include <QIcon>

/// The few small symbols of the floating lyrics, drawn as vector shapes so
/// they look the same whatever icon theme the desktop has.
namespace LyricsGlyphs {

enum class Glyph
{
    musicNote,
    ellipsis,
    xmark,
    cursorArrow,
    cursorArrowSlash
};

/// `glyph` in `color`, `points` large, sharp up to twice the density.
QIcon icon(Glyph glyph, const QColor &color, double points);

} // namespace LyricsGlyphs
