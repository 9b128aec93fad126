#include "players/model/SpotifyPlaybackObserver.h"

#include <QMetaObject>

SpotifyPlaybackObserver::SpotifyPlaybackObserver(MusicSource source, std::function<void()> onChange,
                                                 QObject *parent)
    : SpotifyPlaybackObserver(source, PlayerNotificationCenter::shared(), std::move(onChange),
                              parent)
{}

SpotifyPlaybackObserver::SpotifyPlaybackObserver(MusicSource source,
                                                 PlayerNotificationCenter &center,
                                                 std::function<void()> onChange, QObject *parent)
    : QObject(parent), m_onChange(std::move(onChange))
{
    m_registration = center.observe(notificationName(source), [this] {
        // Queued on this object: dropped if the observer is destroyed first.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_onChange)
                    m_onChange();
            },
            Qt::QueuedConnection);
    });
}

QString SpotifyPlaybackObserver::notificationName(MusicSource source)
{
    return source == MusicSource::appleMusic
               ? QStringLiteral("com.apple.Music.playerInfo")
               : QStringLiteral("com.spotify.client.PlaybackStateChanged");
}
