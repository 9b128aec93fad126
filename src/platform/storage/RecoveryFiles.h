#pragma once

#include <QString>

#include <optional>

class FileStorage;

/// Where a store keeps what a person writes while its own file cannot be read:
/// beside it, "notes.json" giving "notes.recovered.json", then
/// "notes.recovered-2.json" and so on.
namespace RecoveryFiles {

/// The `index`-th name (from 1) for `original`.
QString candidate(const QString &original, int index);

/// The last existing name in order, if any.
std::optional<QString> latest(const FileStorage &files, const QString &original);

/// The first name that does not exist: writing there overwrites nothing.
/// Nothing when every name is taken.
std::optional<QString> firstFree(const FileStorage &files, const QString &original);

} // namespace RecoveryFiles
