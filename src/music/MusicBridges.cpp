#include "music/MusicBridges.h"

#include "players/browser/YouTubeBrowserBridge.h"
#include "players/model/UnavailableBridge.h"
#include "players/mpris/MprisPlayerBridge.h"
#include "players/pear/PearMusicBridge.h"

std::unique_ptr<PlayerBridging> MusicBridges::make(MusicSource source)
{
    switch (MusicSource::Case(source)) {
    case MusicSource::spotify:
        return MprisPlayerBridge::createSpotify();
    case MusicSource::appleMusic:
    case MusicSource::mpris:
        // Apple Music has no player of its own here; other MPRIS players are
        // made by name as they appear on the bus.
        return std::make_unique<UnavailableBridge>(PlayerError(PlayerError::Kind::notRunning));
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
