#include "music/MusicBridges.h"

#include "players/browser/YouTubeBrowserBridge.h"
#include "players/mpris/SpotifyLocalBridge.h"
#include "players/pear/PearMusicBridge.h"

std::unique_ptr<PlayerBridging> MusicBridges::make(MusicSource source)
{
    switch (MusicSource::Case(source)) {
    case MusicSource::spotify:
    case MusicSource::appleMusic:
        return SpotifyLocalBridge::create(source);
    case MusicSource::safari:
    case MusicSource::chrome:
    case MusicSource::brave:
    case MusicSource::edge:
        return YouTubeBrowserBridge::create(source);
    case MusicSource::pear:
        return PearMusicBridge::create();
    }
    return nullptr;
}
