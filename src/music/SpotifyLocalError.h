#pragma once

#include <QMetaType>
#include <QString>

/// An error a bridge raises. A plain value: the player controller turns each
/// kind into a connection state and the text the user sees.
class SpotifyLocalError
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

    SpotifyLocalError() = default;
    /// Any kind without a payload.
    SpotifyLocalError(Kind kind) : m_kind(kind) {}

    static SpotifyLocalError browserReply(QString message);
    static SpotifyLocalError appleEvent(qint32 code);

    Kind kind() const { return m_kind; }
    /// `browserReply` only.
    const QString &message() const { return m_message; }
    /// `appleEvent` only.
    qint32 code() const { return m_code; }

    friend bool operator==(const SpotifyLocalError &, const SpotifyLocalError &) = default;

private:
    Kind m_kind = Kind::invalidReply;
    QString m_message;
    qint32 m_code = 0;
};

Q_DECLARE_METATYPE(SpotifyLocalError)
