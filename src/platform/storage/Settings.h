#pragma once

#include <QString>
#include <QVariant>

/// The user-defaults store: a few values by dotted lower-case key
/// ("music.browser.chrome.enabled"). Safe to use from any thread; a value set
/// is kept across launches.
class Settings
{
public:
    virtual ~Settings() = default;

    /// The stored value, or an invalid QVariant when the key is absent.
    virtual QVariant value(const QString &key) const = 0;
    virtual void setValue(const QString &key, const QVariant &value) = 0;
    virtual void remove(const QString &key) = 0;
};
