#include "players/model/PlayerConnectionPolicy.h"

namespace PlayerConnectionPolicy {

using State = PlayerConnectionState;
using Kind = PlayerError::Kind;

Failure failure(MusicSource source, const PlayerError *error)
{
    const QString name = source.displayName();
    const QString browser = source.browserName();
    switch (error ? error->kind() : Kind::invalidReply) {
    case Kind::permissionRequired:
        return {State::needsPermission,
                QStringLiteral("Allow local access to the current song and playback controls."),
                kUserActionBackOff};
    case Kind::permissionDenied:
        return {State::denied,
                browser + QStringLiteral(" refused the connection. Check Velloway\u2019s "
                                         "extension, then retry."),
                kUserActionBackOff};
    case Kind::browserSetup:
        // Apple Music's web player runs in any of the browsers.
        return {State::needsPermission,
                QStringLiteral("Add Velloway\u2019s extension to ") +
                    (source == MusicSource::appleMusic ? QStringLiteral("your browser") : browser) +
                    QStringLiteral(", then connect."),
                kUserActionBackOff};
    case Kind::pearSetup:
        return {State::needsPermission,
                QStringLiteral("Enable Pear\u2019s local API Server, then connect and approve "
                               "Velloway."),
                kUserActionBackOff};
    case Kind::notRunning:
        return {State::notRunning, notRunningMessage(source), std::nullopt};
    case Kind::timeout:
        return {State::unavailable,
                name + QStringLiteral(" is taking a moment to respond. Try again."),
                kTransientBackOff};
    case Kind::browserReply:
        return {State::unavailable, error->message(), kTransientBackOff};
    case Kind::invalidReply:
    case Kind::trackChanged:
        break;
    }
    return {State::unavailable,
            QStringLiteral("Playback details are unavailable. Play a song in ") + name +
                QStringLiteral(" and retry."),
            kTransientBackOff};
}

QString notRunningMessage(MusicSource source)
{
    return QStringLiteral("Open ") + source.displayName() +
           QStringLiteral(" to see your current song here.");
}

QString connectingMessage(MusicSource source)
{
    if (source == MusicSource::pear)
        return QStringLiteral("Approve Velloway\u2019s connection in Pear.");
    return QStringLiteral("Connecting to ") + source.displayName() + QStringLiteral("\u2026");
}

QString notInstalledMessage(MusicSource source)
{
    return source.displayName() +
           QStringLiteral(" is not installed. Play music in another supported app to connect "
                          "automatically.");
}

QString launchFailedMessage(MusicSource source)
{
    return source.displayName() +
           QStringLiteral(" could not be opened. Try opening it from your applications menu.");
}

} // namespace PlayerConnectionPolicy
