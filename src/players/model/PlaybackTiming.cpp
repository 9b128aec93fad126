#include "players/model/PlaybackTiming.h"

#include <algorithm>
#include <cmath>

PlaybackTiming PlaybackTiming::fromMilliseconds(double durationMilliseconds, double positionSeconds)
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
