// The Weather app's preferences: local city, saved cities, unit.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "host/weather.h"
#include "sim/runtime/class.h"
#include "sim/runtime/instance.h"
#include "sim/weather/city.h"

namespace sim {

// When the Weather framework knows the local city.
enum class LocalCityAvailability {
  none,         // the app has no local city
  known,        // the local city is known from the start
  onceAppOpens  // none until the Weather app (or its widget) is opened
};

// The shared WeatherPreferences object.
class SimWeatherPreferences final : public Instance<host::WeatherPreferences> {
 public:
  SimWeatherPreferences(host::Class& cls, CityClass& cityClass)
      : Instance(cls), cityClass_(cityClass) {}

  // The local city object, the same object at every call, while it is known.
  std::shared_ptr<host::City> localWeatherCity() const override;
  // A new City from a saved-city entry; none for an entry that is not a dictionary or lacks
  // a text "Name" or either coordinate.
  std::shared_ptr<host::City> cityFromPreferencesDictionary(
      const host::Value& entry) const override;
  bool isCelsius() const override { return celsius_; }

  // Set-up by tests and the simulator.
  void setLocalCity(std::shared_ptr<host::City> city, LocalCityAvailability availability);
  // The app is opened: a local city waiting for it becomes known.
  void openWeatherApp();
  void setCelsius(bool celsius) { celsius_ = celsius; }

 private:
  CityClass& cityClass_;
  std::shared_ptr<host::City> localCity_;
  LocalCityAvailability availability_ = LocalCityAvailability::none;
  bool celsius_ = true;
};

// The class object of WeatherPreferences, which holds the app's user defaults.
class WeatherPreferencesClassImpl final : public ClassImpl<host::WeatherPreferencesClass> {
 public:
  WeatherPreferencesClassImpl(ClassSetup setup, CityClass& cityClass)
      : ClassImpl(std::move(setup)), cityClass_(cityClass) {}

  std::shared_ptr<host::WeatherPreferences> sharedPreferences() override { return shared(); }
  std::optional<host::Value> userDefaultsObjectForKey(std::string_view key) override;

  // The shared object with its simulation set-up.
  std::shared_ptr<SimWeatherPreferences> shared();
  // The app's user defaults; the saved cities live under "Cities".
  const host::Dictionary& userDefaults() const { return userDefaults_; }
  void setUserDefaults(host::Dictionary defaults) { userDefaults_ = std::move(defaults); }
  // Stores the saved cities under "Cities" (an empty array stays a present, empty list).
  void setSavedCities(host::Array cities);
  // Removes the "Cities" key: the app never saved a list.
  void removeSavedCities();
  // As at definition: no shared object yet, no user defaults.
  void reset() {
    shared_.reset();
    userDefaults_.clear();
  }

 private:
  CityClass& cityClass_;
  std::shared_ptr<SimWeatherPreferences> shared_;
  host::Dictionary userDefaults_;
};

// The key of the saved-cities list in the Weather app's user defaults.
inline constexpr std::string_view savedCitiesKey = "Cities";

}  // namespace sim
