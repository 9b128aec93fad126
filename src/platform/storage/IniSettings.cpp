#include "platform/storage/IniSettings.h"

#include "platform/storage/LocalFileStorage.h"

#include <QDir>

namespace {

// Far above a few dozen keys; stops a huge file from exhausting memory at start-up.
constexpr qint64 kMaxSettingsBytes = 1 << 20;

// QSettings opens and reads the file whole and blocking, so only a missing
// file or a regular one within the cap may reach it.
bool isSafeForQt(const QString &path)
{
    const LocalFileStorage &files = LocalFileStorage::shared();
    return !files.exists(path) || files.readAll(path, kMaxSettingsBytes).has_value();
}

} // namespace

IniSettings::IniSettings(const QString &path) : m_path(path)
{
    if (isSafeForQt(path))
        m_settings.emplace(path, QSettings::IniFormat);
    else
        qWarning("%s could not be read; settings changes are kept in memory for this run only.",
                 qPrintable(path));
}

QVariant IniSettings::value(const QString &key) const
{
    std::lock_guard lock(m_mutex);
    return m_settings ? m_settings->value(key) : m_memory.value(key);
}

void IniSettings::setValue(const QString &key, const QVariant &value)
{
    std::lock_guard lock(m_mutex);
    if (!keepsFile()) {
        m_memory.insert(key, value);
        return;
    }
    m_settings->setValue(key, value);
    m_settings->sync();
}

void IniSettings::remove(const QString &key)
{
    std::lock_guard lock(m_mutex);
    if (!keepsFile()) {
        m_memory.remove(key);
        return;
    }
    m_settings->remove(key);
    m_settings->sync();
}

// Syncing re-reads a file that changed on disk, so it is checked again before
// every write; once it turned bad, what was read lives on in memory.
bool IniSettings::keepsFile()
{
    if (m_settings && !isSafeForQt(m_path)) {
        for (const QString &key : m_settings->allKeys())
            m_memory.insert(key, m_settings->value(key));
        m_settings.reset(); // every change was synced, so this writes nothing
    }
    return m_settings.has_value();
}

QString IniSettings::defaultPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The base-directory rules say a relative value is invalid and ignored.
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base + QStringLiteral("/Velloway/Velloway.conf"));
}

IniSettings &IniSettings::shared()
{
    static IniSettings settings(defaultPath());
    return settings;
}
