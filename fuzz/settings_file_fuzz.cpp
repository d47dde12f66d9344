// Arbitrary bytes as the settings fallback file, read by loadSettings in a process whose home
// is not the mobile user's: never a crash, and every field is overwritten by every load, so a
// load over any earlier settings gives what a load over fresh ones gives.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "fuzz/fuzz_input.h"
#include "sim/process/process.h"
#include "startup/load_settings.h"
#include "state/shared_state.h"

namespace {

struct World {
  sim::TemporaryDevice device;
  std::optional<sim::Process> process;
  World() {
    sim::LaunchOptions options;
    options.homeDirectory = "/private/var/root";
    process.emplace(device, options);
  }
};

World& world() {
  static World theWorld;
  return theWorld;
}

void load() { nimbrel::loadSettings(nullptr, nullptr, nullptr, nullptr, nullptr); }

// Settings unlike anything a load starts from: every switch on, odd numbers.
nimbrel::Settings leftovers() {
  nimbrel::Settings s;
  s.enabled = s.hideWithTime = s.hideTimeDate = s.noReminder = s.reScaleCompatibility = true;
  s.showOwnWallpaper = s.homescreenBackground = s.showOwnHomescreenWallpaper = true;
  s.disableParallax = s.useLocalCity = s.randomWeather = s.randomWeatherUnLock = true;
  s.showTemperatureAndCondition = s.plusLandscape = true;
  s.updateInterval = s.customWeather = -12345;
  s.lockScreenVerticalOffsetTemperatureCondition = -0.125;
  s.lockScreenHorizontalOffsetTemperatureCondition = -0.125;
  s.homeScreenVerticalOffsetBackground = -0.125;
  return s;
}

bool sameReal(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// Equal, a NaN read from the file counting as equal to itself.
bool sameSettings(nimbrel::Settings a, nimbrel::Settings b) {
  if (!sameReal(a.lockScreenVerticalOffsetTemperatureCondition,
                b.lockScreenVerticalOffsetTemperatureCondition) ||
      !sameReal(a.lockScreenHorizontalOffsetTemperatureCondition,
                b.lockScreenHorizontalOffsetTemperatureCondition) ||
      !sameReal(a.homeScreenVerticalOffsetBackground, b.homeScreenVerticalOffsetBackground))
    return false;
  for (nimbrel::Settings* s : {&a, &b})
    s->lockScreenVerticalOffsetTemperatureCondition =
        s->lockScreenHorizontalOffsetTemperatureCondition = s->homeScreenVerticalOffsetBackground =
            0;
  return a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World& w = world();
  fuzzing::writeDeviceFile(w.device, nimbrel::kFallbackSettingsFile, data, size);
  nimbrel::resetState();
  load();
  const nimbrel::Settings fresh = nimbrel::state().settings;
  nimbrel::state().settings = leftovers();
  load();
  if (!sameSettings(nimbrel::state().settings, fresh)) {
    std::fprintf(stderr, "settings_file: a load left an earlier setting in place\n");
    std::abort();
  }
  w.process->record().clear();
  return 0;
}
