#pragma once

#include "music/SpotifyPlaybackTiming.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QUrl>

#include <optional>

/// One poll result from a bridge, whatever the player.
struct SpotifySnapshot
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
    SpotifyPlaybackTiming timing;
    std::optional<int> volume; // 0 to 100, none when it could not be read

    friend bool operator==(const SpotifySnapshot &, const SpotifySnapshot &) = default;
};

Q_DECLARE_METATYPE(SpotifySnapshot)
