#pragma once

#include "platform/storage/FileStorage.h"

/// `FileStorage` on the local POSIX file system.
class LocalFileStorage final : public FileStorage
{
public:
    bool exists(const QString &path) const override;
    std::optional<QByteArray> readAll(const QString &path, qint64 maxBytes) const override;
    bool createFolder(const QString &path) override;
    bool setPermissions(const QString &path, unsigned mode) override;
    bool writeAtomically(const QString &path, const QByteArray &bytes) override;

    /// The process-wide instance used in production.
    static LocalFileStorage &shared();
};
