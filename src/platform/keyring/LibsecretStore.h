#pragma once

#include "platform/keyring/SecretStore.h"

/// `SecretStore` on the session's Secret Service (GNOME Keyring, KWallet)
/// through libsecret: generic password items in the default collection.
class LibsecretStore final : public SecretStore
{
public:
    std::optional<QByteArray> read(const Attributes &attributes) override;
    std::optional<SecretStoreError> save(const Attributes &attributes, const QString &label,
                                         const QByteArray &secret) override;
    void remove(const Attributes &attributes) override;
};
