// The cache file that keeps the last local city's coordinates across resprings.
#pragma once

#include <optional>

#include "host/weather.h"

namespace nimbrel {

inline constexpr const char* kCacheFile =
    "/Library/Application Support/Nimbrel/nimbrelResources.bundle/nimbrelCache.plist";
inline constexpr const char* kCachedLatitudeKey = "lastLocalCityLatitude";
inline constexpr const char* kCachedLongitudeKey = "lastLocalCityLongitude";

// Both cached coordinates, or none when either is missing, not a number, not finite or out of
// the range a coordinate can take.
std::optional<host::Coordinate> readCachedCoordinate();

// Writes the coordinate into the cache file, keeping every other key it holds. The folder is
// never created: without it nothing is written.
void writeCachedCoordinate(host::Coordinate coordinate);

// A latitude within ±90 and a longitude within ±180, both finite.
bool isValidCoordinate(host::Coordinate coordinate);

}  // namespace nimbrel
