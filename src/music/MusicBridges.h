#pragma once

#include "players/model/MusicSource.h"
#include "players/model/PlayerBridging.h"

#include <memory>

/// Which kind of bridge reaches which player on this system.
namespace MusicBridges {

/// A new bridge for `source`: the MPRIS bridge for Spotify, the browser
/// bridge for the browsers, the Pear bridge for Pear Desktop. Apple Music
/// has no player here; its bridge exists but is never asked, because its
/// player never runs.
std::unique_ptr<PlayerBridging> make(MusicSource source);

} // namespace MusicBridges
