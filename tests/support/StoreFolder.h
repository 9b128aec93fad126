#pragma once

#include "support/CountingFileStorage.h"
#include "support/FileOwnership.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

/// A fresh folder for a store's files, read and written through the real
/// storage that counts whole-file writes. Resetting also drops root (see
/// FileOwnership) so that permission bits bind.
class StoreFolder
{
public:
    /// A new empty folder and no writes counted; false when that failed.
    bool reset()
    {
        const bool dropped = FileOwnership::dropRoot(); // before the folder is made
        m_dir = std::make_unique<QTemporaryDir>();
        files.writes = 0;
        return dropped && m_dir->isValid();
    }
    QString path(const QString &relative) const { return m_dir->filePath(relative); }
    /// Writes `bytes` at `relative`, making the folders above it; its path.
    QString write(const QString &relative, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        FileOwnership::writeFile(path(relative), bytes);
        return path(relative);
    }

    CountingFileStorage files;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};
