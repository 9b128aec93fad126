#pragma once

#include "players/model/PlayerBridging.h"

#include <QTest>

#include <optional>

/// Starts an asynchronous operation with a completion and waits, serving
/// the main thread's events, until the completion has run; returns what it
/// was given.
template <typename Result, typename Start> Result awaitCompletion(Start &&start)
{
    std::optional<Result> result;
    start([&result](Result value) { result.emplace(std::move(value)); });
    if (!QTest::qWaitFor([&result] { return result.has_value(); }, 20'000))
        qFatal("the completion never ran");
    return std::move(*result);
}

/// A bridge result's own error; none for a success or another failure.
template <typename Result> std::optional<PlayerError> errorOf(const Result &result)
{
    return result.localError() ? std::optional(*result.localError()) : std::nullopt;
}

Q_DECLARE_METATYPE(std::optional<PlayerError>)

/// The calls of the player bridge a test rig holds as `bridge`, each waited
/// for; rigs derive from it as `struct Rig : BridgeCalls<Rig>`.
template <typename Rig> struct BridgeCalls
{
    static constexpr qint32 kPID = 4242;

    PlayerSnapshotResult snapshot(bool ask = false, qint32 pid = kPID)
    {
        return awaitCompletion<PlayerSnapshotResult>(
            [&](auto done) { static_cast<Rig *>(this)->bridge->snapshot(pid, ask, done); });
    }

    PlayerSendResult send(const PlayerCommand &command, qint32 pid = kPID)
    {
        return awaitCompletion<PlayerSendResult>(
            [&](auto done) { static_cast<Rig *>(this)->bridge->send(command, pid, done); });
    }
};
