#pragma once

#include "platform/desktop/LoginItem.h"

#include <QByteArray>
#include <QString>

#include <optional>

class FileStorage;

/// `LoginItem` as the desktops' autostart folder sees it: the entry
/// `velloway.desktop` in `$XDG_CONFIG_HOME/autostart` (`~/.config/autostart`
/// when that variable is unset, empty or not an absolute path), starting
/// the program at `program`.
class AutostartLoginItem final : public LoginItem
{
public:
    /// `program` empty: the running executable.
    explicit AutostartLoginItem(FileStorage &storage, QString program = {});

    /// Off when the entry is missing, unreadable, or switched off by the
    /// desktop's own settings (`Hidden=true`, `X-GNOME-Autostart-enabled=false`).
    bool isEnabled() const override;
    bool setEnabled(bool enabled) override;

    static QString entryPath();
    /// The entry that starts `program`; none for a path no entry can hold
    /// (not absolute, or with control characters).
    static std::optional<QByteArray> entry(const QString &program);

private:
    FileStorage &m_storage;
    QString m_program;
};
