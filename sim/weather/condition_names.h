// The Weather framework's condition codes 0 to 47 and the short names the simulation uses for
// them in asset and image names and in the record.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace sim::conditions {

// Condition codes run from 0 to 47; anything else is no condition.
constexpr std::int64_t count = 48;

// The short name of a condition ("tornado", "partly-cloudy-day", ...), or none outside 0..47.
std::optional<std::string_view> slug(std::int64_t condition);

}  // namespace sim::conditions
