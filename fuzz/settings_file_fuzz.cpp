// Arbitrary bytes as the settings fallback file, read by loadSettings in a process whose home
// is not the mobile user's: never a crash, and every field is overwritten by every load, so a
// load over any earlier settings gives what a load over fresh ones gives.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <variant>

#include "fuzz/fuzz_input.h"
#include "sim/process/process.h"
#include "startup/load_settings.h"
#include "startup/settings_table.h"
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
  for (const nimbrel::SettingRow& setting : nimbrel::kSettings)
    std::visit(
        [&](auto field) {
          using T = decltype((s.*field).load());
          s.*field = static_cast<T>(-12345.125);
        },
        setting.field);
  return s;
}

bool sameReal(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// Equal, a NaN read from the file counting as equal to itself.
bool sameSettings(const nimbrel::Settings& a, const nimbrel::Settings& b) {
  return std::ranges::all_of(nimbrel::kSettings, [&](const nimbrel::SettingRow& setting) {
    return std::visit([&](auto field) { return sameReal(a.*field, b.*field); }, setting.field);
  });
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
