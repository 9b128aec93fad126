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
        appleEvent,         // `code` is a scripting error code without a kind of its own
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
    static PlayerError appleEvent(qint32 code);

    Kind kind() const { return m_kind; }
    /// `browserReply` only.
    const QString &message() const { return m_message; }
    /// `appleEvent` only.
    qint32 code() const { return m_code; }

    friend bool operator==(const PlayerError &, const PlayerError &) = default;

private:
    Kind m_kind = Kind::invalidReply;
    QString m_message;
    qint32 m_code = 0;
};

Q_DECLARE_METATYPE(PlayerError)
