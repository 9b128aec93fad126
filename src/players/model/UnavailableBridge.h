#pragma once

#include "players/model/PlayerBridging.h"

#include <QObject>

#include <memory>

/// The bridge of a player this process cannot reach: every request fails
/// with the same error, delivered later on the main thread like any other
/// bridge's answer.
class UnavailableBridge final : public PlayerBridging
{
public:
    explicit UnavailableBridge(PlayerError error);
    ~UnavailableBridge() override;

    void snapshot(qint32 processID, bool requestPermission, SnapshotCompletion completion) override;
    void send(const PlayerCommand &command, qint32 processID, SendCompletion completion) override;

private:
    const PlayerError m_error;
    std::unique_ptr<QObject> m_context; // completions die with the bridge
};
