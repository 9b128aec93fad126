#pragma once

#include "scripting/ScriptTransport.h"
#include "support/VirtualTime.h"

#include <mutex>
#include <vector>

/// A scripting transport that plays a script: per event (class, identifier
/// and target) the answer given last, with a value, an error number, an 'errn' inside
/// the reply and the time it takes on the virtual clock. Events without a
/// scripted answer: get-data fails with -1708, anything else succeeds empty.
/// Safe to use from a bridge's worker while the test waits on the main thread.
class ScriptedTransport final : public ScriptTransport
{
public:
    struct Answer
    {
        std::optional<ScriptDescriptor> value; // the reply's '----'
        qint32 error = ScriptError::kNone;     // the send fails with this
        qint32 errn = ScriptError::kNone;      // the reply carries this 'errn'
        double seconds = 0;                    // how long the answer takes
    };

    struct Sent
    {
        ScriptEvent event;
        Seconds timeout;
    };

    explicit ScriptedTransport(VirtualTime &time) : m_time(time) {}

    void setPermission(qint32 code, double seconds = 0);
    void answer(ScriptCode eventClass, ScriptCode eventID, const ScriptDescriptor &target,
                Answer answer);
    void answerGet(const ScriptDescriptor &target, Answer answer);
    void answerGet(const ScriptDescriptor &target, ScriptDescriptor value);

    std::vector<Sent> sent() const;
    /// The targets of the events sent, in order.
    std::vector<ScriptDescriptor> targets() const;
    std::vector<bool> permissionAsks() const;
    void clearLog();

    qint32 determinePermission(qint32 processID, ScriptCode eventClass, ScriptCode eventID,
                               bool ask) override;
    ScriptResult send(const ScriptEvent &event, qint32 processID, Seconds timeout) override;

private:
    struct Entry
    {
        ScriptCode eventClass;
        ScriptCode eventID;
        ScriptDescriptor target;
        Answer answer;
    };

    VirtualTime &m_time;
    mutable std::mutex m_mutex;
    qint32 m_permission = ScriptError::kNone;
    double m_permissionSeconds = 0;
    std::vector<Entry> m_script;
    std::vector<Sent> m_sent;
    std::vector<bool> m_permissionAsks;
};
