#include "state/weather_refresh.h"

#include "lockscreen/header.h"
#include "state/cache_file.h"
#include "state/city_resolution.h"
#include "state/conversions.h"
#include "state/entries.h"
#include "state/shared_state.h"
#include "state/view_terms.h"

namespace nimbrel {

namespace {

// A backup whose data is at most this old is kept; an older one is renewed.
constexpr double kBackupMaxAge = 600;

double now() { return host::platform().clock().now().secondsSince1970; }

bool refreshIsDue() {
  const SharedState& s = state();
  return !s.lastUpdate ||
         s.lastUpdate->secondsSince1970 < now() - static_cast<double>(s.settings.updateInterval);
}

struct RefreshTarget {
  bool endRequest = false;
  std::shared_ptr<host::City> city;
};

// The city to refresh: the local city (or, while the framework has none, the one shown), or
// the first saved city.
RefreshTarget chooseTarget(const host::Id& controller) {
  SharedState& s = state();
  if (s.settings.useLocalCity) {
    std::shared_ptr<host::WeatherPreferences> preferences = weatherPreferences();
    std::shared_ptr<host::City> local = preferences ? preferences->localWeatherCity() : nullptr;
    return {false, local ? local : s.city};
  }
  SavedCityLookup saved = firstSavedCity();
  if (saved.listEmpty) {
    showAlertOnce(kNoCitiesTitle, kNoCitiesMessage, controller);
    return {true, nullptr};
  }
  return {false, std::move(saved.city)};
}

std::shared_ptr<host::City> copyOf(const host::City& city) {
  return host::platform().factory().newCity(city.dictionaryRepresentation());
}

bool backupIsOld() {
  const SharedState& s = state();
  if (!s.backupCity) return true;
  const double updated = s.backupCity->updateTime().value_or(host::Date{}).secondsSince1970;
  return updated < now() - kBackupMaxAge;
}

void takeUpdatedCity(std::shared_ptr<host::City> updatedCity, bool failed) {
  SharedState& s = state();
  if (failed) {
    if (s.backupCity) s.city = copyOf(*s.backupCity);
    return;
  }
  s.city = std::move(updatedCity);
  // A completion without a city must not replace a good backup with an empty one.
  if (s.city && backupIsOld()) s.backupCity = copyOf(*s.city);
}

void cacheLocalCityLocation() {
  const std::shared_ptr<host::Location> location = state().city->location();
  if (!location) return;
  const host::Coordinate coordinate = location->coordinate();
  if (isValidCoordinate(coordinate)) writeCachedCoordinate(coordinate);
}

}  // namespace

bool headerFeatureAvailable() {
  host::Runtime& runtime = host::platform().runtime();
  return state().settings.showTemperatureAndCondition && runtime.classExists("WATodayHeaderView") &&
         runtime.classExists("WAHourlyForecast");
}

bool refreshWeatherIfDue(const host::Id& controller) {
  SharedState& s = state();
  const bool gateOpen =
      s.settings.enabled || s.settings.homescreenBackground || headerFeatureAvailable();
  if (!gateOpen || !refreshIsDue()) return false;

  RefreshTarget target = chooseTarget(controller);
  if (target.endRequest) return true;
  // Without a target there is nothing to ask for; the next due call tries again.
  if (!target.city) return false;

  s.lastUpdate = host::platform().clock().now();
  target.city->setAutoUpdate(false);
  target.city->setUpdateTime(std::nullopt);
  host::LocationUpdaterClass* updaterClass = s.classes.locationUpdater.get();
  std::shared_ptr<host::LocationUpdater> updater =
      updaterClass ? updaterClass->sharedLocationUpdater() : nullptr;
  if (updater)
    updater->updateWeatherForLocation(target.city->location(), target.city, onWeatherUpdated);
  return false;
}

void onWeatherUpdated(std::shared_ptr<host::City> updatedCity, host::Id error) {
  catchAtEntry("the weather update's completion", [&] {
    SharedState& s = state();
    takeUpdatedCity(std::move(updatedCity), error != nullptr);
    // With no city at all (a reload dropped it and the update failed before any backup existed)
    // the backgrounds keep what they show.
    if (!s.city) return;

    if (s.settings.useLocalCity) cacheLocalCityLocation();
    if (headerFeatureAvailable()) fillHeader();
    if (s.settings.enabled) {
      if (s.settings.customWeather != 0)
        s.city->setConditionCode(customCondition(s.settings.customWeather));
      bind(s.weatherBackground);
    }
    bindHomeScreenViews();
  });
}

}  // namespace nimbrel
