// The cache file that keeps the last local city's coordinates across resprings.
#pragma once

#include <optional>

#include "host/weather.h"

namespace nimbrel {

// Where the package puts its files: at the root for a rootful package, under "/var/jb" for a
// rootless one, which builds with NIMBREL_INSTALL_PREFIX defined so.
#ifndef NIMBREL_INSTALL_PREFIX
#define NIMBREL_INSTALL_PREFIX ""
#endif
// The cache's folder, below the prefix. The package ships it, writable by the shell's user.
#define NIMBREL_CACHE_FOLDER "/Library/Application Support/Nimbrel/nimbrelResources.bundle"

inline constexpr const char* kCacheFile =
    NIMBREL_INSTALL_PREFIX NIMBREL_CACHE_FOLDER "/nimbrelCache.plist";
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
