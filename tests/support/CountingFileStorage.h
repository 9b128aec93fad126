#pragma once

#include "platform/storage/LocalFileStorage.h"

/// The real local file storage, counting the whole-file writes it performs so
/// that tests can tell one write per pause from one per keystroke.
class CountingFileStorage final : public FileStorage
{
public:
    bool exists(const QString &path) const override { return m_real.exists(path); }
    std::optional<QByteArray> readAll(const QString &path, qint64 maxBytes) const override
    {
        return m_real.readAll(path, maxBytes);
    }
    bool createFolder(const QString &path) override { return m_real.createFolder(path); }
    bool setPermissions(const QString &path, unsigned mode) override
    {
        return m_real.setPermissions(path, mode);
    }
    bool writeAtomically(const QString &path, const QByteArray &bytes) override
    {
        ++writes;
        return m_real.writeAtomically(path, bytes);
    }

    int writes = 0;

private:
    LocalFileStorage m_real;
};
