#pragma once

#include "music/SpotifyBridging.h"

#include <QObject>

#include <memory>

/// The bridge of a player this process cannot reach: every request fails
/// with the same error, delivered later on the main thread like any other
/// bridge's answer.
class UnavailableBridge final : public SpotifyBridging
{
public:
    explicit UnavailableBridge(SpotifyLocalError error);
    ~UnavailableBridge() override;

    void snapshot(qint32 processID, bool requestPermission, SnapshotCompletion completion) override;
    void send(const SpotifyCommand &command, qint32 processID, SendCompletion completion) override;

private:
    const SpotifyLocalError m_error;
    std::unique_ptr<QObject> m_context; // completions die with the bridge
};
