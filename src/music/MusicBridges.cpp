#include "music/MusicBridges.h"

#include "players/browser/BrowserMusicBridge.h"
#include "players/model/UnavailableBridge.h"
#include "players/mpris/MprisPlayerBridge.h"
#include "players/pear/PearMusicBridge.h"

std::unique_ptr<PlayerBridging> MusicBridges::make(MusicSource source)
{
    switch (MusicSource::Case(source)) {
    case MusicSource::spotify:
        return MprisPlayerBridge::createSpotify();
    case MusicSource::mpris:
        // Other MPRIS players are made by name as they appear on the bus.
        return std::make_unique<UnavailableBridge>(PlayerError(PlayerError::Kind::notRunning));
    case MusicSource::appleMusic: // its web player, in the browsers
    case MusicSource::safari:
    case MusicSource::chrome:
    case MusicSource::brave:
    case MusicSource::edge:
        return BrowserMusicBridge::create(source);
    case MusicSource::pear:
        return PearMusicBridge::create();
    }
    return nullptr;
}
