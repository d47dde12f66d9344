// Calls one replaced method many times in steady state, in a simulated shell that loaded the
// real add-on library, so that callgrind can count the instructions spent in each object file
// per call (scripts/instructions).
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "host/methods.h"
#include "sim/process/process.h"

namespace {

namespace methods = host::methods;

struct Method {
  host::Dictionary settings;
  bool locked = false;
  std::function<void(sim::Process&)> call;
};

const std::map<std::string, Method>& methodTable() {
  static const std::map<std::string, Method> table = {
      {"date-view",
       {{{"showTemperatureAndCondition", true}, {"hideWithTime", true}, {"updateInterval", 3600}},
        true,
        [](sim::Process& p) { p.shell().requestDateView(); }}},
      {"tick-tock",
       {{{"randomWeather", true}, {"updateInterval", 3600}},
        true,
        [](sim::Process& p) {
          p.runtime().sendVoid(p.shell().dateViewController(), methods::TickTock::selector);
        }}},
      {"content-view",
       {{{"homescreenBackground", true}},
        false,
        [](sim::Process& p) { p.shell().requestContentView(sim::Shell::homeScreenWallpaper); }}},
      {"wallpaper-view-layout",
       {{{"homescreenBackground", true}, {"plusLandscape", true}},
        false,
        [](sim::Process& p) {
          p.runtime().send<methods::LayoutSubviews>(
              p.shell().wallpaperView(sim::Shell::homeScreenWallpaper));
        }}},
      {"wallpaper-window-layout",
       {{{"homescreenBackground", true}, {"plusLandscape", true}},
        false,
        [](sim::Process& p) {
          p.runtime().send<methods::LayoutSubviews>(p.shell().wallpaperWindow());
        }}},
      {"allows-parallax", {{}, false, [](sim::Process& p) { p.shell().askAllowsParallax(); }}},
      {"unlock", {{}, false, [](sim::Process& p) { p.shell().finishUnlock(1, nullptr); }}},
      {"asset-name",
       {{},
        false,
        [](sim::Process& p) { p.weather().assetLoader()->filenameForCondition(26, true); }}},
  };
  return table;
}

// The shell as a user has it: the local city known, locked or unlocked, the first requests
// made and the weather arrived.
void settle(sim::Process& process, const Method& method) {
  auto& weather = process.weather();
  sim::CityData local;
  local.name = "Cupertino";
  local.location = host::Coordinate{37.33, -122.03};
  weather.preferences()->setLocalCity(weather.newCity(local), sim::LocalCityAvailability::known);
  if (method.locked) {
    process.darwinNotifyCenter().post("com.apple.springboard.lockcomplete");
    process.setDisplay(true);
    process.runLoop().runUntilIdle();
    process.shell().requestDateView();
    process.runLoop().advance(5);
  } else {
    process.shell().requestContentView(sim::Shell::homeScreenWallpaper);
    process.rotate(sim::Orientation::landscape);
  }
  for (int i = 0; i < 10; ++i) method.call(process);
}

int usage() {
  std::fprintf(stderr,
               "usage: nimbrel_instructions LIBRARY FILTER METHOD COUNT [original]\n"
               "  METHOD:");
  for (const auto& [name, method] : methodTable()) std::fprintf(stderr, " %s", name.c_str());
  std::fprintf(stderr, "\n  original: the shell alone, without the add-on\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || argc > 6) return usage();
  const auto found = methodTable().find(argv[3]);
  const long count = std::strtol(argv[4], nullptr, 10);
  const bool original = argc == 6 && std::string(argv[5]) == "original";
  if (found == methodTable().end() || count <= 0 || (argc == 6 && !original)) return usage();

  sim::TemporaryDevice device;
  if (!original) device.installAddon(argv[1], argv[2], "Nimbrel");
  sim::Process process(device);
  process.preferences().setDomain("be.quorvane.nimbrel", found->second.settings);
  process.loadAddons();
  settle(process, found->second);
  for (long i = 0; i < count; ++i) found->second.call(process);
  std::printf("%s: %ld calls%s\n", argv[3], count, original ? " (shell alone)" : "");
  return 0;
}
