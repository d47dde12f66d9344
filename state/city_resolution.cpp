#include "state/city_resolution.h"

#include "state/cache_file.h"
#include "state/shared_state.h"

namespace nimbrel {

namespace {

constexpr std::string_view kSavedCitiesKey = "Cities";

// The last local city rebuilt from its cached coordinates: all a weather update needs.
std::shared_ptr<host::City> cachedLocalCity() {
  const std::optional<host::Coordinate> cached = readCachedCoordinate();
  return cached ? placeholderCity(cached->latitude, cached->longitude) : nullptr;
}

}  // namespace

std::shared_ptr<host::WeatherPreferences> weatherPreferences() {
  host::WeatherPreferencesClass* preferences = state().classes.weatherPreferences.get();
  return preferences ? preferences->sharedPreferences() : nullptr;
}

std::shared_ptr<host::City> placeholderCity(double latitude, double longitude) {
  host::Factory& factory = host::platform().factory();
  std::shared_ptr<host::City> city = factory.newCity();
  if (city) city->setLocation(factory.newLocation(latitude, longitude));
  return city;
}

SavedCityLookup firstSavedCity() {
  host::WeatherPreferencesClass* preferences = state().classes.weatherPreferences.get();
  if (!preferences) return {};
  const std::optional<host::Value> list = preferences->userDefaultsObjectForKey(kSavedCitiesKey);
  // Anything but a list (a damaged defaults file) counts as no saved cities: asking a string or
  // a number for its count would raise inside the shell.
  const host::Array* cities = list ? list->get<host::Array>() : nullptr;
  if (!cities || cities->empty()) return {};
  std::shared_ptr<host::WeatherPreferences> shared = preferences->sharedPreferences();
  return {false, shared ? shared->cityFromPreferencesDictionary(cities->front()) : nullptr};
}

void showAlertOnce(const std::string& title, const std::string& message, const host::Id& delegate) {
  SharedState& s = state();
  if (s.alertShown) return;
  std::shared_ptr<host::AlertView> alert =
      host::platform().alerts().makeAlert(title, message, delegate, "OK", {});
  if (alert) {
    alert->setTag(kAlertTag);
    alert->show();
  }
  s.alertShown = true;
}

bool resolveCity(bool forLockScreen, const host::Id& receiver) {
  SharedState& s = state();
  if (s.settings.useLocalCity) {
    std::shared_ptr<host::WeatherPreferences> preferences = weatherPreferences();
    s.city = preferences ? preferences->localWeatherCity() : nullptr;
  } else {
    SavedCityLookup saved = firstSavedCity();
    if (saved.listEmpty) {
      showAlertOnce(kNoCitiesTitle, kNoCitiesMessage, receiver);
      return false;
    }
    s.city = std::move(saved.city);
  }
  if (!s.city && forLockScreen && s.settings.useLocalCity) s.city = cachedLocalCity();
  if (s.city) return true;
  if (forLockScreen && !s.settings.noReminder)
    showAlertOnce(kNoLocalCityTitle, kNoLocalCityMessage, receiver);
  return false;
}

}  // namespace nimbrel
