#pragma once

#include "core/SerialWorker.h"
#include "platform/net/HttpClient.h"
#include "players/model/PlayerBridging.h"
#include "players/pear/PearAPI.h"
#include "players/pear/PearConnectionKeyring.h"

#include <QMap>
#include <QObject>

#include <atomic>
#include <memory>

class SecretStore;
class Settings;

/// The bridge to Pear Desktop over its local API on 127.0.0.1:26538. It
/// authorises itself once through Pear's approval flow (only when the user
/// connects), keeps the access token in the keyring, reads the song and the
/// volume and sends commands, each over one kept connection. Pear is never
/// contacted before the user connected it. Requests, the keyring and the
/// token live on the bridge's own serial worker; completions arrive on the
/// main thread.
class PearMusicBridge final : public PlayerBridging
{
public:
    static constexpr char kEnabledKey[] = "music.pear.enabled";
    static constexpr char kClientKey[] = "music.pear.client";

    /// The settings and the store are used on the bridge's worker only.
    /// `origin` is Pear's fixed address in the program; tests pass a server
    /// of their own so that they never need its port.
    PearMusicBridge(Settings &settings, std::unique_ptr<SecretStore> store,
                    QString origin = QLatin1String(PearAPI::kOrigin));
    /// Ends the request in progress at once; pending completions never run.
    ~PearMusicBridge() override;

    /// The bridge with the process-wide settings and the session's keyring.
    static std::unique_ptr<PearMusicBridge> create();

    void snapshot(qint32 processID, bool requestPermission, SnapshotCompletion completion) override;
    void send(const PlayerCommand &command, qint32 processID, SendCompletion completion) override;

private:
    using Body = std::optional<QMap<QString, double>>;

    PlayerSnapshotResult readSnapshot(qint32 processID, bool requestPermission);
    PlayerSendResult perform(const PlayerCommand &command, qint32 processID);
    std::optional<PlayerError> authorise();
    PlayerSnapshotResult song();
    std::optional<int> volume();
    /// The reply body of one request, sent with the token when there is one.
    PlayerResult<QByteArray> fetch(const QString &path, PearAPI::Method method,
                                   const Body &body = std::nullopt);

    Settings &m_settings;
    const QString m_origin;
    const std::unique_ptr<SecretStore> m_store;
    std::atomic<bool> m_stopping{false};

    // Worker only.
    PearConnectionKeyring m_keyring;
    HttpClient m_client = HttpClient::loopback();
    std::optional<QString> m_token;
    bool m_loadedToken = false;
    std::optional<qint32> m_processID;

    std::unique_ptr<QObject> m_context;                     // completions are delivered through it
    SerialWorker m_worker{QStringLiteral("Velloway.Pear")}; // last: stops first
};
