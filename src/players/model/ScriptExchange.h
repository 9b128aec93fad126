#pragma once

#include "players/model/PlayerBridging.h"
#include "scripting/ScriptReference.h"
#include "scripting/ScriptTransport.h"

/// One request's conversation with a scriptable process, on a bridge's
/// worker: the permission check, sending events with their error numbers
/// turned into `PlayerError`, and reading properties within a
/// deadline. Shared by the bridges that script players and browsers.
class ScriptExchange
{
public:
    /// No single event waits longer than this.
    static constexpr Seconds kMaxEventWait{2};

    ScriptExchange(ScriptTransport &transport, const Clock &clock, qint32 processID);

    /// Asks whether get-data events may be sent to the process, letting the
    /// system ask the user only when `ask` is true; none when they may.
    std::optional<PlayerError> checkPermission(bool ask);

    /// Sends `event`, waiting at most `timeout`; an error number in the
    /// reply's 'errn' fails like a failed send.
    PlayerResult<ScriptEvent> send(const ScriptEvent &event, Seconds timeout);

    /// Reads the value `reference` names, waiting at most the smaller of
    /// kMaxEventWait and the time left before `deadline`. Fails with
    /// `timeout` when no time is left and `invalidReply` when the reply
    /// carries no value.
    PlayerResult<ScriptDescriptor> get(const ScriptDescriptor &reference, Seconds deadline);

    /// Sets the value `reference` names to `data`.
    PlayerSendResult set(const ScriptDescriptor &reference, ScriptDescriptor data, Seconds timeout);

    bool hasTimeLeft(Seconds deadline) const { return m_clock.now() < deadline; }
    Seconds now() const { return m_clock.now(); }

    /// The bridge error for a scripting error number.
    static PlayerError error(qint32 code);

private:
    ScriptTransport &m_transport;
    const Clock &m_clock;
    qint32 m_processID;
};
