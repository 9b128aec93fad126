#pragma once

#include "platform/storage/Settings.h"

#include <QMap>

#include <mutex>

/// `Settings` held in memory, for tests.
class MemorySettings final : public Settings
{
public:
    QVariant value(const QString &key) const override
    {
        std::lock_guard lock(m_mutex);
        return m_values.value(key);
    }
    void setValue(const QString &key, const QVariant &value) override
    {
        std::lock_guard lock(m_mutex);
        m_values.insert(key, value);
    }
    void remove(const QString &key) override
    {
        std::lock_guard lock(m_mutex);
        m_values.remove(key);
    }

private:
    mutable std::mutex m_mutex;
    QMap<QString, QVariant> m_values;
};
