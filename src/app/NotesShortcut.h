#pragma once

#include <QObject>
#include <QString>

#include <memory>

class GlobalShortcut;
class Settings;

/// The global key that opens the crest with the cursor in the notes:
/// `crest.shortcut` in Velloway.conf, or the default ("none" turns it off).
/// Main thread only.
class NotesShortcut final : public QObject
{
    Q_OBJECT

public:
    /// Super+Alt+N: the desktops keep Super combinations for themselves and
    /// bind none with Alt+N, so no program's own shortcut is taken away.
    static constexpr char kDefault[] = "Meta+Alt+N";

    explicit NotesShortcut(QObject *parent = nullptr);
    ~NotesShortcut() override;

    /// Takes the key named in `settings` from the desktop.
    void start(const Settings &settings);

    /// One line saying why the shortcut does not work; empty while it works
    /// or is turned off.
    const QString &notice() const { return m_notice; }

signals:
    void activated();

private:
    void report(const QString &name, const QString &reason);

    std::unique_ptr<GlobalShortcut> m_shortcut;
    QString m_notice;
};
