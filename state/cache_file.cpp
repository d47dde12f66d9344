#include "state/cache_file.h"

#include <cmath>

#include "host/platform.h"

namespace nimbrel {

namespace {

// A coordinate entry as a double, or none when it is missing or has no numeric reading (asking
// an array or a date for one would raise inside the shell).
std::optional<double> coordinateEntry(const host::Dictionary& cache, std::string_view key) {
  const host::Value* value = host::objectForKey(&cache, key);
  if (!value || !value->hasNumericReading()) return {};
  return value->doubleValue();
}

}  // namespace

bool isValidCoordinate(host::Coordinate coordinate) {
  return std::isfinite(coordinate.latitude) && std::isfinite(coordinate.longitude) &&
         std::fabs(coordinate.latitude) <= 90 && std::fabs(coordinate.longitude) <= 180;
}

std::optional<host::Coordinate> readCachedCoordinate() {
  const std::optional<host::Dictionary> cache =
      host::platform().files().dictionaryWithContentsOfFile(kCacheFile);
  if (!cache) return {};
  const std::optional<double> latitude = coordinateEntry(*cache, kCachedLatitudeKey);
  const std::optional<double> longitude = coordinateEntry(*cache, kCachedLongitudeKey);
  if (!latitude || !longitude) return {};
  const host::Coordinate coordinate{*latitude, *longitude};
  if (!isValidCoordinate(coordinate)) return {};
  return coordinate;
}

void writeCachedCoordinate(host::Coordinate coordinate) {
  host::PropertyListFiles& files = host::platform().files();
  host::Dictionary cache =
      files.dictionaryWithContentsOfFile(kCacheFile).value_or(host::Dictionary{});
  cache.insert_or_assign(kCachedLatitudeKey, host::Value(coordinate.latitude));
  cache.insert_or_assign(kCachedLongitudeKey, host::Value(coordinate.longitude));
  // A failed write (no folder, no space) leaves the old file whole; nothing else depends on it.
  files.writeToFile(cache, kCacheFile, true);
}

}  // namespace nimbrel
