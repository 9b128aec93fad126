#pragma once

#include "music/SpotifyBridging.h"
#include "support/VirtualTime.h"

#include <limits>
#include <vector>

/// A player bridge that answers from a script on virtual time: each request
/// gets the reply set when it was made, after the delay set then (an
/// infinite delay: never). Records what it was asked.
class ScriptedBridge final : public SpotifyBridging
{
public:
    static constexpr double kNever = std::numeric_limits<double>::infinity();

    explicit ScriptedBridge(VirtualTime &time) : m_time(time) {}

    SpotifySnapshotResult reply{SpotifySnapshot{}};
    double replySeconds = 0;
    SpotifySendResult sendReply{std::monostate{}};
    double sendSeconds = 0;

    std::vector<bool> snapshots; // whether each request may ask for permission
    std::vector<SpotifyCommand> sent;

    void snapshot(qint32 processID, bool requestPermission, SnapshotCompletion completion) override;
    void send(const SpotifyCommand &command, qint32 processID, SendCompletion completion) override;

private:
    template <typename Result, typename Completion>
    void answer(Result result, double seconds, Completion completion);

    VirtualTime &m_time;
    std::vector<CancelHandle> m_pending;
};
