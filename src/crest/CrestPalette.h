#pragma once

#include <QPalette>

/// The crest's dark look, which menus and alerts opened from it share.
namespace CrestPalette {

QPalette dark();

} // namespace CrestPalette
