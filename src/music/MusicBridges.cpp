#include "music/MusicBridges.h"

#include "music/SpotifyLocalBridge.h"
#include "music/UnavailableBridge.h"
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
        // PLACEHOLDER until the Pear bridge lands: return PearMusicBridge::create();
        return std::make_unique<UnavailableBridge>(SpotifyLocalError::Kind::notRunning);
    }
    return nullptr;
}
