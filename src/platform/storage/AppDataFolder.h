#pragma once

#include <QString>

/// The per-user folder that holds the program's own files.
namespace AppDataFolder {

/// `$XDG_DATA_HOME/Velloway`, or `~/.local/share/Velloway` when that variable
/// is unset, empty or not an absolute path.
QString path();

/// `name` inside `path()`.
QString file(const QString &name);

} // namespace AppDataFolder
