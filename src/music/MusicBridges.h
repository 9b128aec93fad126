#pragma once

#include "players/model/MusicSource.h"
#include "players/model/PlayerBridging.h"

#include <memory>

/// Which kind of bridge reaches which player on this system.
namespace MusicBridges {

/// A new bridge for `source`: the MPRIS bridge for Spotify, the browser
/// bridge for the browsers and for Apple Music's web player, the Pear
/// bridge for Pear Desktop.
std::unique_ptr<PlayerBridging> make(MusicSource source);

} // namespace MusicBridges
