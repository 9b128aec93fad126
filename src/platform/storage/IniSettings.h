#pragma once

#include "platform/storage/Settings.h"

#include <QSettings>

#include <mutex>

/// `Settings` in an INI file, written through at every change.
class IniSettings final : public Settings
{
public:
    explicit IniSettings(const QString &path);

    QVariant value(const QString &key) const override;
    void setValue(const QString &key, const QVariant &value) override;
    void remove(const QString &key) override;

    /// `$XDG_CONFIG_HOME/Velloway/Velloway.conf`, or `~/.config/...` when that
    /// variable is unset, empty or not an absolute path.
    static QString defaultPath();
    /// The process-wide store at `defaultPath()`.
    static IniSettings &shared();

private:
    mutable std::mutex m_mutex;
    QSettings m_settings;
};
