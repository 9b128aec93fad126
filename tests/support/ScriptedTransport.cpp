#include "support/ScriptedTransport.h"

#include "scripting/ScriptTerms.h"

using namespace ScriptTerms;

void ScriptedTransport::setPermission(qint32 code, double seconds)
{
    std::lock_guard lock(m_mutex);
    m_permission = code;
    m_permissionSeconds = seconds;
}

void ScriptedTransport::answer(ScriptCode eventClass, ScriptCode eventID,
                               const ScriptDescriptor &target, Answer answer)
{
    std::lock_guard lock(m_mutex);
    m_script.push_back({eventClass, eventID, target, std::move(answer)}); // the latest one counts
}

void ScriptedTransport::answerGet(const ScriptDescriptor &target, Answer answer)
{
    this->answer(kCoreSuite, kGetData, target, std::move(answer));
}

void ScriptedTransport::answerGet(const ScriptDescriptor &target, ScriptDescriptor value)
{
    answerGet(target, Answer{std::move(value)});
}

std::vector<ScriptedTransport::Sent> ScriptedTransport::sent() const
{
    std::lock_guard lock(m_mutex);
    return m_sent;
}

std::vector<ScriptDescriptor> ScriptedTransport::targets() const
{
    std::lock_guard lock(m_mutex);
    std::vector<ScriptDescriptor> targets;
    for (const Sent &sent : m_sent)
        targets.push_back(sent.event.parameter(kDirectObject).value_or(ScriptDescriptor()));
    return targets;
}

std::vector<bool> ScriptedTransport::permissionAsks() const
{
    std::lock_guard lock(m_mutex);
    return m_permissionAsks;
}

qint32 ScriptedTransport::determinePermission(qint32, ScriptCode, ScriptCode, bool ask)
{
    std::lock_guard lock(m_mutex);
    m_permissionAsks.push_back(ask);
    m_time.advance(m_permissionSeconds);
    return m_permission;
}

ScriptResult ScriptedTransport::send(const ScriptEvent &event, qint32, Seconds timeout)
{
    std::lock_guard lock(m_mutex);
    m_sent.push_back({event, timeout});
    const ScriptDescriptor target = event.parameter(kDirectObject).value_or(ScriptDescriptor());
    const Entry *found = nullptr; // the latest answer for the event
    for (const Entry &entry : m_script) {
        if (entry.eventClass == event.eventClass() && entry.eventID == event.eventID() &&
            entry.target == target)
            found = &entry;
    }
    if (!found) {
        if (event.eventClass() == kCoreSuite && event.eventID() == kGetData)
            return ScriptResult::failure(ScriptError::kEventNotHandled);
        return {};
    }
    const Answer &answer = found->answer;
    // A slow answer is cut off at the time-out, as a real transport does.
    if (answer.seconds > timeout.count()) {
        m_time.advance(timeout);
        return ScriptResult::failure(ScriptError::kTimedOut);
    }
    m_time.advance(answer.seconds);
    if (answer.error != ScriptError::kNone)
        return ScriptResult::failure(answer.error);
    ScriptResult result;
    if (answer.value)
        result.reply.setParameter(kDirectObject, *answer.value);
    if (answer.errn != ScriptError::kNone)
        result.reply.setParameter(kErrorNumber, ScriptDescriptor::integer(answer.errn));
    return result;
}

void ScriptedTransport::clearLog()
{
    std::lock_guard lock(m_mutex);
    m_sent.clear();
    m_permissionAsks.clear();
}
