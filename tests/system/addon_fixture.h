// A shell process with the add-on's settings at their defaults, and the Weather app's data,
// the cache file and the alerts within reach of a test.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "startup/load_settings.h"
#include "state/cache_file.h"
#include "state/shared_state.h"
#include "tests/system/shell_fixture.h"

class AddonFixture : public ShellFixture {
 protected:
  AddonFixture() { loadDefaultSettings(); }

  // What a load finds with no settings stored: the defaults, their reactions run.
  void loadDefaultSettings() { nimbrel::loadSettings(nullptr, nullptr, nullptr, nullptr, nullptr); }
  nimbrel::Settings& settings() { return nimbrel::state().settings; }

  static sim::CityData cityData(std::string name, double latitude, double longitude) {
    sim::CityData data;
    data.name = std::move(name);
    data.location = host::Coordinate{latitude, longitude};
    return data;
  }
  std::shared_ptr<sim::SimCity> makeCity(sim::CityData data) {
    return process().weather().newCity(std::move(data));
  }
  std::shared_ptr<sim::SimCity> makeCity(std::string name, double latitude = 48.85,
                                         double longitude = 2.35) {
    return makeCity(cityData(std::move(name), latitude, longitude));
  }
  std::shared_ptr<sim::SimCity> setLocalCity(std::string name) {
    auto city = makeCity(std::move(name));
    process().weather().preferences()->setLocalCity(city, sim::LocalCityAvailability::known);
    return city;
  }
  // Saved-city entries as the Weather app stores them.
  void setSavedCities(const std::vector<sim::CityData>& cities) {
    host::Array entries;
    for (const auto& city : cities) entries.emplace_back(sim::toDictionary(city));
    process().weather().preferencesClass()->setSavedCities(std::move(entries));
  }
  // One entry from which no city can be built.
  void setUnconvertibleSavedCity() {
    process().weather().preferencesClass()->setSavedCities({host::Value("not a city")});
  }

  std::vector<std::string> alertTitles() {
    std::vector<std::string> titles;
    for (const auto& alert : process().alerts().visibleAlerts()) titles.push_back(alert->title());
    return titles;
  }

  void createCacheFolder() {
    std::filesystem::create_directories(
        device().hostPath(std::filesystem::path(nimbrel::kCacheFile).parent_path().string()));
  }
  bool cacheFolderExists() {
    return std::filesystem::exists(
        device().hostPath(std::filesystem::path(nimbrel::kCacheFile).parent_path().string()));
  }
  std::optional<host::Dictionary> cacheFile() {
    return process().files().dictionaryWithContentsOfFile(nimbrel::kCacheFile);
  }
  void writeCacheFile(const host::Dictionary& contents) {
    createCacheFolder();
    ASSERT_TRUE(process().files().writeToFile(contents, nimbrel::kCacheFile, true));
  }

  host::Id controller() { return process().shell().dateViewController(); }
  double now() { return process().runLoop().seconds(); }
  void advance(double seconds) { process().runLoop().advance(seconds); }
};
