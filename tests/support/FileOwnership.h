#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

/// Root ignores permission bits, so a read-only folder would not refuse a
/// write. Tests of refused writes therefore run their file work as the
/// unprivileged user "nobody" and step back to root only to prepare files
/// that belong to someone else.
namespace FileOwnership {

/// Switches the effective user and group to "nobody" when running as root.
/// True when permission bits now apply to this process.
bool dropRoot();

/// Whether `asRoot` can act (the process was started as root).
bool canActAsRoot();

/// Runs `work` with root's effective ids, then drops them again.
void asRoot(const std::function<void()> &work);

/// Gives `path` (not recursively) to the current effective user; root only.
bool takeOwnership(const QString &path);

/// The permission bits of `path` (e.g. 0600), or -1 when it cannot be read.
int mode(const QString &path);

/// Writes `bytes` to `path`, replacing it; for preparing fixtures.
void writeFile(const QString &path, const QByteArray &bytes);

/// The bytes at `path`; empty when it cannot be read.
QByteArray readFile(const QString &path);

} // namespace FileOwnership
