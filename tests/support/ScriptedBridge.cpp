#include "support/ScriptedBridge.h"

#include <cmath>

template <typename Result, typename Completion>
void ScriptedBridge::answer(Result result, double seconds, Completion completion)
{
    if (std::isinf(seconds))
        return;
    m_pending.push_back(
        m_time.after(Seconds(seconds), [result, completion] { completion(result); }));
}

void ScriptedBridge::snapshot(qint32, bool requestPermission, SnapshotCompletion completion)
{
    snapshots.push_back(requestPermission);
    answer(reply, replySeconds, std::move(completion));
}

void ScriptedBridge::send(const PlayerCommand &command, qint32, SendCompletion completion)
{
    sent.push_back(command);
    answer(sendReply, sendSeconds, std::move(completion));
}
