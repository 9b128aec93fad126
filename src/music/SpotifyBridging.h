#pragma once

#include "music/SpotifyCommand.h"
#include "music/SpotifyLocalError.h"
#include "music/SpotifySnapshot.h"

#include <QString>

#include <functional>
#include <utility>
#include <variant>

/// A failure that is not one of the bridge's own errors (a transport or
/// decoding failure). Controllers treat all of these alike.
struct SpotifyOtherError
{
    QString description;
    friend bool operator==(const SpotifyOtherError &, const SpotifyOtherError &) = default;
};

/// The outcome of a bridge operation: a value, a `SpotifyLocalError`, or
/// another failure.
template <typename T> class SpotifyResult
{
public:
    SpotifyResult(T value) : m_state(std::move(value)) {}
    SpotifyResult(SpotifyLocalError error) : m_state(std::move(error)) {}
    SpotifyResult(SpotifyOtherError error) : m_state(std::move(error)) {}

    bool isSuccess() const { return std::holds_alternative<T>(m_state); }
    const T &value() const { return std::get<T>(m_state); }
    /// The bridge's own error, or null for a success or another failure.
    const SpotifyLocalError *localError() const { return std::get_if<SpotifyLocalError>(&m_state); }
    /// Another failure, or null.
    const SpotifyOtherError *otherError() const { return std::get_if<SpotifyOtherError>(&m_state); }

private:
    std::variant<T, SpotifyLocalError, SpotifyOtherError> m_state;
};

using SpotifySnapshotResult = SpotifyResult<SpotifySnapshot>;
using SpotifySendResult = SpotifyResult<std::monostate>;

/// What every bridge offers, so that a controller never knows which player
/// it follows. Both operations may take seconds inside the bridge and never
/// block the caller: the completion runs later on the main thread (never
/// inside the call itself), at most once, and not at all if the bridge is
/// destroyed first.
class SpotifyBridging
{
public:
    using SnapshotCompletion = std::function<void(SpotifySnapshotResult)>;
    using SendCompletion = std::function<void(SpotifySendResult)>;

    virtual ~SpotifyBridging() = default;

    /// Reads what `processID` is playing. `requestPermission` allows the
    /// bridge to ask the user (or, for Pear, to start its authorisation).
    virtual void snapshot(qint32 processID, bool requestPermission,
                          SnapshotCompletion completion) = 0;

    /// Carries out `command` on `processID`.
    virtual void send(const SpotifyCommand &command, qint32 processID,
                      SendCompletion completion) = 0;
};
