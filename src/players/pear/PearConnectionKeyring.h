#pragma once

#include "players/model/PlayerBridging.h"

#include <QString>

#include <optional>

class SecretStore;

/// Pear's access token in the user's keyring: one generic password item
/// found by its service and account. Blocking: the Pear bridge calls it from
/// its own worker only.
class PearConnectionKeyring
{
public:
    static constexpr char kService[] = "local.velloway.pear";
    static constexpr char kAccount[] = "loopback-26538";
    static constexpr char kLabel[] = "Velloway: Pear Desktop API token";

    explicit PearConnectionKeyring(SecretStore &store) : m_store(store) {}

    /// The stored token; none when there is none, it is locked, longer than
    /// 8192 bytes or not UTF-8. Never prompts.
    std::optional<QString> read() const;
    /// Replaces the stored token; any failure, a locked keyring among them,
    /// is `pearSetup`.
    PlayerSendResult save(const QString &token);
    void remove();

private:
    SecretStore &m_store;
};
