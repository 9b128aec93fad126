#pragma once

#include "players/model/PlayerCommand.h"
#include "players/model/PlayerError.h"
#include "players/model/PlayerSnapshot.h"

#include <QString>

#include <functional>
#include <utility>
#include <variant>

/// A failure that is not one of the bridge's own errors (a transport or
/// decoding failure). Controllers treat all of these alike.
struct PlayerOtherError
{
    QString description;
    friend bool operator==(const PlayerOtherError &, const PlayerOtherError &) = default;
};

/// The outcome of a bridge operation: a value, a `PlayerError`, or
/// another failure.
template <typename T> class PlayerResult
{
public:
    PlayerResult(T value) : m_state(std::move(value)) {}
    PlayerResult(PlayerError error) : m_state(std::move(error)) {}
    PlayerResult(PlayerOtherError error) : m_state(std::move(error)) {}

    bool isSuccess() const { return std::holds_alternative<T>(m_state); }
    const T &value() const { return std::get<T>(m_state); }
    /// The bridge's own error, or null for a success or another failure.
    const PlayerError *localError() const { return std::get_if<PlayerError>(&m_state); }
    /// Another failure, or null.
    const PlayerOtherError *otherError() const { return std::get_if<PlayerOtherError>(&m_state); }

private:
    std::variant<T, PlayerError, PlayerOtherError> m_state;
};

using PlayerSnapshotResult = PlayerResult<PlayerSnapshot>;
using PlayerSendResult = PlayerResult<std::monostate>;

/// What every bridge offers, so that a controller never knows which player
/// it follows. Both operations may take seconds inside the bridge and never
/// block the caller: the completion runs later on the main thread (never
/// inside the call itself), at most once, and not at all if the bridge is
/// destroyed first.
class PlayerBridging
{
public:
    using SnapshotCompletion = std::function<void(PlayerSnapshotResult)>;
    using SendCompletion = std::function<void(PlayerSendResult)>;

    virtual ~PlayerBridging() = default;

    /// Reads what `processID` is playing. `requestPermission` allows the
    /// bridge to ask the user (or, for Pear, to start its authorisation).
    virtual void snapshot(qint32 processID, bool requestPermission,
                          SnapshotCompletion completion) = 0;

    /// Carries out `command` on `processID`.
    virtual void send(const PlayerCommand &command, qint32 processID,
                      SendCompletion completion) = 0;

    /// True when the player announces its own changes, so a controller has
    /// nothing to poll: it reads again when told.
    virtual bool announcesChanges() const { return false; }
    /// Calls `onChange` on the main thread whenever the player announces a
    /// change (never inside this call); an empty function stops it.
    virtual void setChangeHandler(std::function<void()> onChange) { (void)onChange; }
    /// A person looks at the player now: what was extrapolated is read again.
    virtual void refresh() {}
    /// Asks the running player to show its own window; false when this kind
    /// of player cannot be asked.
    virtual bool raise() { return false; }
};
