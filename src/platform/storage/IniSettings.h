#pragma once

#include "platform/storage/Settings.h"

#include <QSettings>
#include <QVariantHash>

#include <mutex>
#include <optional>

/// `Settings` in an INI file, written through at every change.
///
/// A file that is there but cannot be read (not a regular file, too large,
/// refused) is never handed to QSettings and never written: the store then
/// starts from defaults and keeps every change in memory for the rest of the
/// run. The same holds from the moment the file turns unreadable mid-run.
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
    bool keepsFile();

    mutable std::mutex m_mutex;
    const QString m_path;
    std::optional<QSettings> m_settings; // absent while running in memory
    QVariantHash m_memory;
};
