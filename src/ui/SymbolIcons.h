#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSizeF>
#include <QStringView>

#include <span>

/// The symbols the crest draws, each mapped to an icon of one named theme so
/// a bare session shows the same glyphs as a full desktop.
namespace SymbolIcons {

/// The theme every symbol comes from; installed by scripts/setup.sh.
inline constexpr char kThemeName[] = "Adwaita";

struct Symbol
{
    const char *name;     // the symbol's name, as the views ask for it
    const char *iconName; // the theme's icon
};

/// Every symbol the views use.
std::span<const Symbol> all();

/// The theme icon for `name`; a null icon for a name not in the table.
QIcon icon(QStringView name);

/// An icon of the named theme by its theme name (a file type's icon, say),
/// else `fallback`.
QIcon themeIcon(const QString &iconName, const QIcon &fallback = {});

/// `name` drawn `size` points large in `color` (symbolic icons are
/// monochrome shapes; only their alpha is kept) for a screen of `ratio`.
QPixmap tinted(QStringView name, QSizeF size, const QColor &color, qreal ratio);

} // namespace SymbolIcons
