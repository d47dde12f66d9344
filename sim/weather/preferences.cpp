// The Weather app's preferences and user defaults.
#include "sim/weather/preferences.h"

namespace sim {

std::shared_ptr<host::City> SimWeatherPreferences::localWeatherCity() const {
  if (availability_ != LocalCityAvailability::known) return nullptr;
  return localCity_;
}

std::shared_ptr<host::City> SimWeatherPreferences::cityFromPreferencesDictionary(
    const host::Value& entry) const {
  const host::Dictionary* dictionary = entry.get<host::Dictionary>();
  if (!dictionary) return nullptr;
  CityData data = cityDataFromDictionary(*dictionary);
  if (data.name.empty() || !data.location) return nullptr;
  return std::make_shared<SimCity>(cityClass_, std::move(data));
}

void SimWeatherPreferences::setLocalCity(std::shared_ptr<host::City> city,
                                         LocalCityAvailability availability) {
  localCity_ = std::move(city);
  availability_ = localCity_ ? availability : LocalCityAvailability::none;
}

void SimWeatherPreferences::openWeatherApp() {
  if (availability_ == LocalCityAvailability::onceAppOpens)
    availability_ = LocalCityAvailability::known;
}

std::shared_ptr<SimWeatherPreferences> WeatherPreferencesClassImpl::shared() {
  if (!shared_) shared_ = std::make_shared<SimWeatherPreferences>(*this, cityClass_);
  return shared_;
}

std::optional<host::Value> WeatherPreferencesClassImpl::userDefaultsObjectForKey(
    std::string_view key) {
  const host::Value* value = host::objectForKey(&userDefaults_, key);
  if (!value) return std::nullopt;
  return *value;
}

void WeatherPreferencesClassImpl::setSavedCities(host::Array cities) {
  userDefaults_.insert_or_assign(std::string(savedCitiesKey), std::move(cities));
}

void WeatherPreferencesClassImpl::removeSavedCities() {
  userDefaults_.erase(std::string(savedCitiesKey));
}

}  // namespace sim
