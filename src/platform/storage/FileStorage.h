#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

/// The file operations the stores persist through. Every operation reports
/// failure as a value; none throws.
class FileStorage
{
public:
    virtual ~FileStorage() = default;

    /// Whether any file-system object (file, folder, ...) exists at `path`,
    /// following symbolic links.
    virtual bool exists(const QString &path) const = 0;

    /// The whole content of the regular file at `path`, or nothing when it
    /// cannot be read, is not a regular file (a pipe, a device, a folder) or
    /// holds more than `maxBytes`. Never waits for a writer, never reads more
    /// than `maxBytes` + 1 bytes.
    virtual std::optional<QByteArray> readAll(const QString &path, qint64 maxBytes) const = 0;

    /// Creates `path` and any missing parent folders, each new one with
    /// permissions 0700. True when the folder exists afterwards.
    virtual bool createFolder(const QString &path) = 0;

    /// Sets the POSIX permission bits of `path` (for example 0600).
    virtual bool setPermissions(const QString &path, unsigned mode) = 0;

    /// Replaces the file at `path` with `bytes` as one step: readers see the
    /// old content or the new, never a mixture, and a failure at any point
    /// (full disk, crash, refused write) leaves the old file whole. The new
    /// file is created with permissions 0600.
    virtual bool writeAtomically(const QString &path, const QByteArray &bytes) = 0;
};
