#pragma once

#include "players/model/PlayerBridging.h"
#include "support/VirtualTime.h"

#include <limits>
#include <vector>

/// A player bridge that answers from a script on virtual time: each request
/// gets the reply set when it was made, after the delay set then (an
/// infinite delay: never). Records what it was asked.
class ScriptedBridge final : public PlayerBridging
{
public:
    static constexpr double kNever = std::numeric_limits<double>::infinity();

    explicit ScriptedBridge(VirtualTime &time) : m_time(time) {}

    PlayerSnapshotResult reply{PlayerSnapshot{}};
    double replySeconds = 0;
    PlayerSendResult sendReply{std::monostate{}};
    double sendSeconds = 0;

    std::vector<bool> snapshots; // whether each request may ask for permission
    std::vector<PlayerCommand> sent;

    /// Whether the bridge says its player announces changes.
    bool announces = false;
    std::function<void()> onChange;

    void snapshot(qint32 processID, bool requestPermission, SnapshotCompletion completion) override;
    void send(const PlayerCommand &command, qint32 processID, SendCompletion completion) override;
    bool announcesChanges() const override { return announces; }
    void setChangeHandler(std::function<void()> handler) override { onChange = std::move(handler); }

private:
    template <typename Result, typename Completion>
    void answer(Result result, double seconds, Completion completion);

    VirtualTime &m_time;
    std::vector<CancelHandle> m_pending;
};
