#include "players/model/SeekPolicy.h"

#include <algorithm>
#include <cmath>

namespace SeekPolicy {

std::optional<double> target(double position, double durationSeconds)
{
    if (!std::isfinite(position) || !std::isfinite(durationSeconds) || durationSeconds <= 0)
        return std::nullopt;
    return std::clamp(position, 0.0, durationSeconds);
}

std::optional<double> position(double fraction, double durationSeconds)
{
    if (!std::isfinite(fraction))
        return std::nullopt;
    return target(durationSeconds * std::clamp(fraction, 0.0, 1.0), durationSeconds);
}

} // namespace SeekPolicy
