// The names of the forty-eight condition codes.
#include "sim/weather/condition_names.h"

#include <array>

namespace sim::conditions {

namespace {

constexpr std::array<std::string_view, count> slugs = {
    "tornado",                  // 0
    "tropical-storm",           // 1
    "hurricane",                // 2
    "severe-thunderstorms",     // 3
    "thunderstorms",            // 4
    "rain-snow",                // 5
    "rain-sleet",               // 6
    "snow-sleet",               // 7
    "freezing-drizzle",         // 8
    "drizzle",                  // 9
    "freezing-rain",            // 10
    "showers",                  // 11
    "rain",                     // 12
    "flurries",                 // 13
    "light-snow-showers",       // 14
    "blowing-snow",             // 15
    "snow",                     // 16
    "hail",                     // 17
    "sleet",                    // 18
    "dust",                     // 19
    "fog",                      // 20
    "haze",                     // 21
    "smoke",                    // 22
    "blustery",                 // 23
    "windy",                    // 24
    "frigid",                   // 25
    "cloudy",                   // 26
    "mostly-cloudy-night",      // 27
    "mostly-cloudy-day",        // 28
    "partly-cloudy-night",      // 29
    "partly-cloudy-day",        // 30
    "clear-night",              // 31
    "sunny",                    // 32
    "fair-night",               // 33
    "fair-day",                 // 34
    "rain-hail",                // 35
    "hot",                      // 36
    "isolated-thunderstorms",   // 37
    "scattered-thunderstorms",  // 38
    "scattered-thunderstorms",  // 39
    "scattered-showers",        // 40
    "heavy-snow",               // 41
    "scattered-snow-showers",   // 42
    "blizzard",                 // 43
    "partly-cloudy",            // 44
    "thundershowers",           // 45
    "snow-showers",             // 46
    "isolated-thundershowers",  // 47
};

}  // namespace

std::optional<std::string_view> slug(std::int64_t condition) {
  if (condition < 0 || condition >= count) return std::nullopt;
  return slugs[static_cast<std::size_t>(condition)];
}

}  // namespace sim::conditions
