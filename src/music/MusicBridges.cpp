#include "music/MusicBridges.h"

#include "music/PearMusicBridge.h"
#include "music/SpotifyLocalBridge.h"
#include "music/YouTubeBrowserBridge.h"

std::unique_ptr<SpotifyBridging> MusicBridges::make(MusicSource source)
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
