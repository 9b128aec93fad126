#pragma once

#include "scripting/ScriptDescriptor.h"

/// One scripting event, or the reply to one: an event class, an event
/// identifier and keyword parameters. Replies are events of class 'aevt'
/// and identifier 'ansr' that carry the result in '----' and, when the
/// target reports a failure inside the reply, its number in 'errn'.
class ScriptEvent
{
public:
    ScriptEvent(ScriptCode eventClass, ScriptCode eventID);

    /// An empty reply.
    static ScriptEvent reply();

    ScriptCode eventClass() const { return m_class; }
    ScriptCode eventID() const { return m_id; }

    /// Sets a parameter, replacing an earlier one with the same keyword.
    void setParameter(ScriptCode keyword, ScriptDescriptor value);
    std::optional<ScriptDescriptor> parameter(ScriptCode keyword) const;

    /// The 'errn' parameter read as a 32-bit number; 0 when there is none
    /// or it is not a number.
    qint32 errorNumber() const;

    friend bool operator==(const ScriptEvent &, const ScriptEvent &) = default;

private:
    ScriptCode m_class;
    ScriptCode m_id;
    ScriptDescriptor m_parameters;
};
