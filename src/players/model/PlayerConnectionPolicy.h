#pragma once

#include "core/Clock.h"
#include "players/model/MusicSource.h"
#include "players/model/PlayerError.h"

#include <QMetaType>
#include <QString>

#include <optional>

/// How far a player controller got with its player.
enum class PlayerConnectionState
{
    notRunning,
    needsPermission,
    denied,
    connecting,
    ready,
    unavailable
};
Q_DECLARE_METATYPE(PlayerConnectionState)

/// The connection states a player controller enters and the words it shows
/// for each.
namespace PlayerConnectionPolicy {

/// After a problem only the user can solve: polling would only repeat prompts.
inline constexpr Seconds kUserActionBackOff{15};
/// After a problem that may pass by itself.
inline constexpr Seconds kTransientBackOff{2};
/// The longest wait for a bridge's answer. The bridges keep shorter time
/// budgets of their own; this only ends a wait that would otherwise hold a
/// controller busy for good, and it counts as a timeout.
inline constexpr Seconds kReplyDeadline{15};
/// How long a message that answers the user's own action stays when only
/// polls follow, so that it can be read.
inline constexpr Seconds kActionMessageHold{10};

struct Failure
{
    PlayerConnectionState state = PlayerConnectionState::unavailable;
    QString message;
    /// How long automatic polls pause; none leaves the pause as it was.
    std::optional<Seconds> backOff;
};

/// The state, message and pause after a failed snapshot or command. `error`
/// is null for a failure that is not one of the bridge's own errors.
Failure failure(MusicSource source, const PlayerError *error);

/// "Open <player> to see your current song here."
QString notRunningMessage(MusicSource source);
/// Shown while a refresh that may ask the user is under way.
QString connectingMessage(MusicSource source);
QString notInstalledMessage(MusicSource source);
QString launchFailedMessage(MusicSource source);

} // namespace PlayerConnectionPolicy
