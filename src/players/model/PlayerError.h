#pragma once

#include <QMetaType>
#include <QString>

/// An error a bridge raises. A plain value: the player controller turns each
/// kind into a connection state and the text the user sees.
class PlayerError
{
public:
    enum class Kind
    {
        browserReply,       // `message` is a complete user-facing text
        permissionRequired, // permission undecided and not asked, or browser not connected
        permissionDenied,
        notRunning,
        timeout,
        invalidReply,
        trackChanged,
        browserSetup, // the browser refuses scripts from outside
        pearSetup,
    };

    PlayerError() = default;
    /// Any kind without a payload.
    PlayerError(Kind kind) : m_kind(kind) {}

    static PlayerError browserReply(QString message);

    Kind kind() const { return m_kind; }
    /// `browserReply` only.
    const QString &message() const { return m_message; }

    friend bool operator==(const PlayerError &, const PlayerError &) = default;

private:
    Kind m_kind = Kind::invalidReply;
    QString m_message;
};

Q_DECLARE_METATYPE(PlayerError)
