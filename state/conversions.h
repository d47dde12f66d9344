// Integers the add-on derives from the platform's numbers, without the undefined behaviour a
// plain cast has for NaN, infinities and values out of range.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace nimbrel {

// Truncation toward zero that saturates at the 32-bit range; NaN reads as 0.
inline std::int32_t truncateToInt32(double value) {
  constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
  constexpr auto highest = std::numeric_limits<std::int32_t>::max();
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(lowest)) return lowest;
  if (value >= static_cast<double>(highest)) return highest;
  return static_cast<std::int32_t>(value);
}

// The condition a custom-weather setting n stands for: n − 1 in wrapping 32-bit arithmetic, so
// the lowest setting gives the highest code instead of overflowing.
inline std::int32_t customCondition(std::int32_t setting) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(setting) - 1u);
}

}  // namespace nimbrel
