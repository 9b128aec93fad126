#pragma once

#include "players/model/PlaybackTiming.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QUrl>

#include <optional>

/// One poll result from a bridge, whatever the player.
struct PlayerSnapshot
{
    QString title; // empty when nothing is loaded
    QString artist;
    QString album;
    /// The player's own track link (Spotify's "spotify:track:" URI).
    std::optional<QString> spotifyURI;
    /// Changes when the playing item changes (the browser bridge's video id).
    std::optional<QString> playbackID;
    /// Cover bytes handed over by the player itself.
    std::optional<QByteArray> artworkData;
    /// Where the cover can be downloaded.
    std::optional<QUrl> artworkURL;
    bool isPlaying = false;
    PlaybackTiming timing;
    std::optional<int> volume; // 0 to 100, none when it could not be read

    friend bool operator==(const PlayerSnapshot &, const PlayerSnapshot &) = default;
};

Q_DECLARE_METATYPE(PlayerSnapshot)
