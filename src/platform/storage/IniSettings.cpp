#include "platform/storage/IniSettings.h"

#include <QDir>

IniSettings::IniSettings(const QString &path) : m_settings(path, QSettings::IniFormat) {}

QVariant IniSettings::value(const QString &key) const
{
    std::lock_guard lock(m_mutex);
    return m_settings.value(key);
}

void IniSettings::setValue(const QString &key, const QVariant &value)
{
    std::lock_guard lock(m_mutex);
    m_settings.setValue(key, value);
    m_settings.sync();
}

void IniSettings::remove(const QString &key)
{
    std::lock_guard lock(m_mutex);
    m_settings.remove(key);
    m_settings.sync();
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
