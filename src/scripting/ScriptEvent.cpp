#include "scripting/ScriptEvent.h"

#include "scripting/ScriptTerms.h"

ScriptEvent::ScriptEvent(ScriptCode eventClass, ScriptCode eventID)
    : m_class(eventClass), m_id(eventID),
      m_parameters(ScriptDescriptor::record(ScriptTerms::kRecord))
{}

ScriptEvent ScriptEvent::reply()
{
    return ScriptEvent(ScriptTerms::kReplyClass, ScriptTerms::kReplyID);
}

void ScriptEvent::setParameter(ScriptCode keyword, ScriptDescriptor value)
{
    m_parameters.setField(keyword, std::move(value));
}

std::optional<ScriptDescriptor> ScriptEvent::parameter(ScriptCode keyword) const
{
    return m_parameters.field(keyword);
}

qint32 ScriptEvent::errorNumber() const
{
    const auto number = parameter(ScriptTerms::kErrorNumber);
    return number ? number->int32Value().value_or(0) : 0;
}
