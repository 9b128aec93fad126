#pragma once

#include <QString>

#include <optional>

/// Whether the program can show itself at all, asked before Qt starts: Qt
/// aborts (with advice to reinstall) when it finds no display, which is
/// what a start from ssh or an autostart before the display is up meets.
namespace GraphicalSession {

/// None when a display can be opened for the platform Qt will use; else
/// the one line that tells the person why Velloway cannot start.
std::optional<QString> unavailable();

} // namespace GraphicalSession
