// Arbitrary bytes as the cache file: read as a dictionary the way the add-on reads it, its
// coordinates taken through doubleValue, then rewritten with fresh coordinates as the add-on
// rewrites it. A rewrite that succeeds must read back with every key and both coordinates.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "fuzz/fuzz_input.h"
#include "sim/process/process.h"

namespace {

constexpr const char* kCacheFile =
    "/Library/Application Support/Nimbrel/nimbrelResources.bundle/nimbrelCache.plist";
constexpr const char* kLatitude = "lastLocalCityLatitude";
constexpr const char* kLongitude = "lastLocalCityLongitude";

struct World {
  sim::TemporaryDevice device;
  std::optional<sim::Process> process;
  World() { process.emplace(device); }
};

World& world() {
  static World theWorld;
  return theWorld;
}

[[noreturn]] void finding(const char* what) {
  std::fprintf(stderr, "cache_file: %s\n", what);
  std::abort();
}

double coordinate(const host::Dictionary& cache, const char* key) {
  const host::Value* value = host::objectForKey(&cache, key);
  return value && value->hasNumericReading() ? value->doubleValue() : 0.0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World& w = world();
  fuzzing::writeDeviceFile(w.device, kCacheFile, data, size);
  host::PropertyListFiles& files = w.process->files();
  host::Dictionary cache =
      files.dictionaryWithContentsOfFile(kCacheFile).value_or(host::Dictionary{});
  volatile double read = coordinate(cache, kLatitude) + coordinate(cache, kLongitude);
  (void)read;

  cache.insert_or_assign(kLatitude, 50.8503);
  cache.insert_or_assign(kLongitude, 4.3517);
  if (files.writeToFile(cache, kCacheFile, true)) {
    const std::optional<host::Dictionary> reread = files.dictionaryWithContentsOfFile(kCacheFile);
    if (!reread) finding("a cache file written by the platform does not read back");
    if (reread->size() != cache.size()) finding("a rewritten cache file lost or gained keys");
    if (coordinate(*reread, kLatitude) != 50.8503 || coordinate(*reread, kLongitude) != 4.3517)
      finding("a rewritten cache file changed the coordinates");
  }
  w.process->record().clear();
  return 0;
}
