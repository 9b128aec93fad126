#pragma once

#include <optional>

/// Where a seek may go: always inside the song, never for a position or a
/// song length that is not a number.
namespace SeekPolicy {

/// `position` clamped into the song; none when the position is not finite or
/// the duration is not finite and positive.
std::optional<double> target(double position, double durationSeconds);

/// The position a scrub `fraction` of the song points at, with the fraction
/// limited to 0...1; none when the fraction is not finite or the duration is
/// not finite and positive.
std::optional<double> position(double fraction, double durationSeconds);

} // namespace SeekPolicy
