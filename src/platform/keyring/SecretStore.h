#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

#include <optional>

enum class SecretStoreError
{
    noService, // no keyring service can be reached
    locked,    // the keyring is locked and would have to prompt
    failed,
};

/// Password items in the user's keyring, found by their attributes. No
/// operation ever asks the user anything (no unlock prompt); failures are
/// values. Calls block: use it from a worker thread.
class SecretStore
{
public:
    using Attributes = QMap<QString, QString>;

    virtual ~SecretStore() = default;

    /// The secret of the item with `attributes`; none when there is no such
    /// item, it is locked, or the keyring cannot be reached.
    virtual std::optional<QByteArray> read(const Attributes &attributes) = 0;

    /// Stores `secret` as the one item with `attributes`, shown as `label`,
    /// replacing the item there was.
    virtual std::optional<SecretStoreError> save(const Attributes &attributes, const QString &label,
                                                 const QByteArray &secret) = 0;

    /// Deletes the items with `attributes` that can be deleted without
    /// unlocking.
    virtual void remove(const Attributes &attributes) = 0;
};
