#pragma once

#include "core/Clock.h"
#include "scripting/ScriptEvent.h"

/// Error numbers of the scripting layer, as transports report them.
namespace ScriptError {
inline constexpr qint32 kNone = 0;
inline constexpr qint32 kUserConsentRequired = -1744;
inline constexpr qint32 kNotPermitted = -1743;
inline constexpr qint32 kTimedOut = -1712;
inline constexpr qint32 kConnectionInvalid = -609;
inline constexpr qint32 kProcessNotFound = -600;
/// What a player answers when a reference needs a current item it lacks.
inline constexpr qint32 kNoCurrentItem = -1721;
inline constexpr qint32 kNoSuchObject = -1728;
inline constexpr qint32 kEventNotHandled = -1708;
inline constexpr qint32 kEventFailed = -10000;
/// A browser that does not run scripts sent from outside (on this system:
/// its Velloway extension is not connected).
inline constexpr qint32 kScriptsRefused = 12;
} // namespace ScriptError

/// The outcome of sending one event: the reply, or a non-zero error number.
/// A reply may still report a failure in its own 'errn' parameter.
struct ScriptResult
{
    qint32 error = ScriptError::kNone;
    ScriptEvent reply = ScriptEvent::reply();

    static ScriptResult failure(qint32 code) { return {code, ScriptEvent::reply()}; }
};

/// Carries scripting events to another process and brings the reply back.
/// Both operations block; call them from a serial worker, never from the
/// main thread. A transport is used by one worker at a time.
class ScriptTransport
{
public:
    virtual ~ScriptTransport() = default;

    /// 0 when this program may send `eventClass`/`eventID` to the process,
    /// otherwise an error number (-1744 when the user would have to be
    /// asked and `ask` is false, -1743 when refused, -600 when the process
    /// cannot be reached). `ask` allows the system to ask the user.
    virtual qint32 determinePermission(qint32 processID, ScriptCode eventClass, ScriptCode eventID,
                                       bool ask) = 0;

    /// Sends `event` to the process and waits at most `timeout` for its reply.
    virtual ScriptResult send(const ScriptEvent &event, qint32 processID, Seconds timeout) = 0;
};
