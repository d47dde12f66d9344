// Timings of reading the settings: loadSettings from either source, and the property-list
// parser on settings-sized files.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <variant>

#include "sim/foundation/property_list.h"
#include "sim/process/process.h"
#include "startup/load_settings.h"
#include "startup/settings_table.h"
#include "state/shared_state.h"

namespace {

// Every key of the add-on's table as its pane cell stores it, each other than its default,
// plus one key of someone else's.
host::Dictionary paneSettings() {
  host::Dictionary values{{"someoneElsesKey", "left alone"}};
  for (const nimbrel::SettingRow& setting : nimbrel::kSettings) {
    const std::string key(setting.key);
    const nimbrel::PaneRow& cell = setting.cell;
    if (cell.control == nimbrel::PaneControl::toggle)
      values.emplace(key, !std::get<bool>(setting.absent));
    else if (cell.control == nimbrel::PaneControl::list)
      values.emplace(key, static_cast<std::int64_t>(cell.maximum));
    else
      values.emplace(key, cell.maximum);
  }
  return values;
}

// 0: the preferences domain (the mobile user's home); 1: the fallback file (any other home).
void BM_LoadSettings(benchmark::State& state) {
  const bool fromDomain = state.range(0) == 0;
  sim::TemporaryDevice device;
  nimbrel::resetState();
  {
    sim::LaunchOptions options;
    if (!fromDomain) options.homeDirectory = "/private/var/root";
    sim::Process process(device, options);
    if (fromDomain) {
      process.preferences().setDomain(nimbrel::kPreferencesDomain, paneSettings());
    } else {
      const std::filesystem::path file = device.hostPath(nimbrel::kFallbackSettingsFile);
      std::filesystem::create_directories(file.parent_path());
      if (!sim::writePropertyList(paneSettings(), file.string(), true))
        throw std::runtime_error("cannot write the fallback file");
    }
    for (auto _ : state) {
      nimbrel::loadSettings(nullptr, nullptr, nullptr, nullptr, nullptr);
      // The record grows by the reads; keep its upkeep out of the timing. Every call parses the
      // file, as on the phone, not what the simulation kept from the last read.
      state.PauseTiming();
      process.record().clear();
      sim::forgetRecentParses();
      state.ResumeTiming();
    }
    if (!nimbrel::state().settings.plusLandscape)
      state.SkipWithError("the settings were not read from the source");
  }
  nimbrel::resetState();
  state.SetLabel(fromDomain ? "preferences domain" : "fallback file");
}
BENCHMARK(BM_LoadSettings)->ArgName("source")->Arg(0)->Arg(1);

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The settings pane's file as an independent writer stored it: 0 binary, 1 XML.
void BM_ParsePropertyList(benchmark::State& state) {
  const bool binary = state.range(0) == 0;
  const std::string bytes =
      fileBytes(std::string(NIMBREL_FIXTURES_DIR) +
                (binary ? "/prefs-pane-binary.plist" : "/prefs-pane-xml.plist"));
  for (auto _ : state) {
    std::optional<host::Value> value = sim::parsePropertyList(bytes);
    benchmark::DoNotOptimize(value);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.SetLabel(binary ? "binary, " + std::to_string(bytes.size()) + " bytes"
                        : "XML, " + std::to_string(bytes.size()) + " bytes");
}
BENCHMARK(BM_ParsePropertyList)->ArgName("format")->Arg(0)->Arg(1);

}  // namespace
