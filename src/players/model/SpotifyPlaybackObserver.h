#pragma once

#include "platform/dbus/PlayerNotificationCenter.h"
#include "players/model/MusicSource.h"

#include <QObject>

#include <functional>

/// Listens for a player's own playback-changed broadcast so that its
/// controller can refresh at once instead of waiting for the next poll.
/// Observes from construction until destruction.
class SpotifyPlaybackObserver final : public QObject
{
    Q_OBJECT
public:
    /// `source` is `spotify` or `appleMusic`. Each broadcast schedules one
    /// call of `onChange` on the main thread; none runs once the observer is
    /// gone.
    SpotifyPlaybackObserver(MusicSource source, std::function<void()> onChange,
                            QObject *parent = nullptr);
    SpotifyPlaybackObserver(MusicSource source, PlayerNotificationCenter &center,
                            std::function<void()> onChange, QObject *parent = nullptr);

    /// "com.spotify.client.PlaybackStateChanged" or "com.apple.Music.playerInfo".
    static QString notificationName(MusicSource source);

private:
    std::function<void()> m_onChange;
    CancelHandle m_registration;
};
