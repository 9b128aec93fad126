#include "players/model/ScriptExchange.h"

#include "scripting/ScriptTerms.h"

#include <algorithm>

using namespace ScriptTerms;

ScriptExchange::ScriptExchange(ScriptTransport &transport, const Clock &clock, qint32 processID)
    : m_transport(transport), m_clock(clock), m_processID(processID)
{}

PlayerError ScriptExchange::error(qint32 code)
{
    switch (code) {
    case ScriptError::kUserConsentRequired:
        return PlayerError::Kind::permissionRequired;
    case ScriptError::kNotPermitted:
        return PlayerError::Kind::permissionDenied;
    case ScriptError::kTimedOut:
        return PlayerError::Kind::timeout;
    case ScriptError::kConnectionInvalid:
    case ScriptError::kProcessNotFound:
        return PlayerError::Kind::notRunning;
    default:
        return PlayerError::appleEvent(code);
    }
}

std::optional<PlayerError> ScriptExchange::checkPermission(bool ask)
{
    // A process identifier that names no process gives no target to address.
    if (m_processID <= 0)
        return PlayerError::Kind::invalidReply;
    const qint32 code = m_transport.determinePermission(m_processID, kCoreSuite, kGetData, ask);
    if (code != ScriptError::kNone)
        return error(code);
    return std::nullopt;
}

PlayerResult<ScriptEvent> ScriptExchange::send(const ScriptEvent &event, Seconds timeout)
{
    const ScriptResult result = m_transport.send(event, m_processID, timeout);
    if (result.error != ScriptError::kNone)
        return error(result.error);
    if (const qint32 number = result.reply.errorNumber(); number != ScriptError::kNone)
        return error(number);
    return result.reply;
}

PlayerResult<ScriptDescriptor> ScriptExchange::get(const ScriptDescriptor &reference,
                                                   Seconds deadline)
{
    const Seconds left = deadline - m_clock.now();
    if (left <= Seconds(0))
        return PlayerError(PlayerError::Kind::timeout);
    ScriptEvent event(kCoreSuite, kGetData);
    event.setParameter(kDirectObject, reference);
    const auto reply = send(event, std::min(kMaxEventWait, left));
    if (!reply.isSuccess())
        return *reply.localError();
    const auto value = reply.value().parameter(kDirectObject);
    if (!value)
        return PlayerError(PlayerError::Kind::invalidReply);
    return *value;
}

PlayerSendResult ScriptExchange::set(const ScriptDescriptor &reference, ScriptDescriptor data,
                                     Seconds timeout)
{
    ScriptEvent event(kCoreSuite, kSetData);
    event.setParameter(kDirectObject, reference);
    event.setParameter(kData, std::move(data));
    const auto reply = send(event, timeout);
    if (!reply.isSuccess())
        return *reply.localError();
    return std::monostate();
}
