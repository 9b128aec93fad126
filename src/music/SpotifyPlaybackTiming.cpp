#include "music/SpotifyPlaybackTiming.h"

#include <algorithm>
#include <cmath>

SpotifyPlaybackTiming SpotifyPlaybackTiming::fromMilliseconds(double durationMilliseconds,
                                                              double positionSeconds)
{
    if (!std::isfinite(durationMilliseconds))
        return {};
    const double duration = durationMilliseconds / 1000.0;
    if (duration <= 0)
        return {};
    const double position =
        std::isfinite(positionSeconds) && positionSeconds >= 0 ? positionSeconds : 0.0;
    const double elapsed = std::min(duration, position);
    return {duration, elapsed, elapsed / duration};
}
