// Defines the Weather and WeatherUI frameworks' classes in a process and gives access to
// their simulated state.
#pragma once

#include <memory>

#include "sim/record.h"
#include "sim/runtime/runtime.h"
#include "sim/views/classes.h"
#include "sim/weather/asset_loader.h"
#include "sim/weather/background.h"
#include "sim/weather/city.h"
#include "sim/weather/header.h"
#include "sim/weather/image_loader.h"
#include "sim/weather/location_updater.h"
#include "sim/weather/preferences.h"

namespace sim {

// Which of the frameworks' classes the system version has. City, CLLocation, WFTemperature
// and NSError are always present.
struct WeatherClassSet {
  bool weatherPreferences = true;        // WeatherPreferences
  bool locationUpdater = true;           // TWCLocationUpdater
  bool dynamicWeatherBackground = true;  // WUIDynamicWeatherBackground and its subclass
  bool assetLoader = true;               // WUIAsynchronousAssetLoader
  bool imageLoader = true;               // WeatherImageLoader
  bool platterViewController = true;     // WAWeatherPlatterViewController
  bool todayHeaderView = true;           // WATodayHeaderView and WAHighLowLabel
  bool hourlyForecast = true;            // WAHourlyForecast
  // What a platter controller's -headerView answers where WATodayHeaderView exists.
  PlatterHeader platterHeader = PlatterHeader::todayHeader;
};

// The class names, spelled once.
namespace weatherClassNames {
constexpr const char* city = "City";
constexpr const char* location = "CLLocation";
constexpr const char* temperature = "WFTemperature";
constexpr const char* error = "NSError";
constexpr const char* hourlyForecast = "WAHourlyForecast";
// The forecast class of system versions without WAHourlyForecast.
constexpr const char* olderHourlyForecast = "WFHourlyForecast";
constexpr const char* weatherPreferences = "WeatherPreferences";
constexpr const char* locationUpdater = "TWCLocationUpdater";
constexpr const char* background = "WUIDynamicWeatherBackground";
// A subclass of the background, for exact-class tests.
constexpr const char* backgroundSubclass = "WUIDynamicWeatherBackgroundSubclass";
constexpr const char* assetLoader = "WUIAsynchronousAssetLoader";
constexpr const char* imageLoader = "WeatherImageLoader";
constexpr const char* platterViewController = "WAWeatherPlatterViewController";
constexpr const char* todayHeaderView = "WATodayHeaderView";
constexpr const char* highLowLabel = "WAHighLowLabel";
}  // namespace weatherClassNames

// The frameworks' classes of one process, defined in its runtime at construction. The
// catalog only points into the runtime, which owns the classes and their shared objects;
// it must not outlive the runtime. An absent class's accessor answers none.
class WeatherCatalog {
 public:
  WeatherCatalog(Runtime& runtime, const ViewClasses& views, Record& record,
                 UpdaterEnvironment environment, WeatherClassSet present = {});

  // City alloc, init / initWithDictionaryRepresentation:, and CLLocation.
  std::shared_ptr<SimCity> newCity(CityData data = {}) const;
  std::shared_ptr<SimCity> newCity(const host::Dictionary& representation) const;
  std::shared_ptr<SimLocation> newLocation(double latitude, double longitude) const;

  CityClass& cityClass() const { return *city_; }
  host::Class& errorClass() const { return *error_; }
  WeatherPreferencesClassImpl* preferencesClass() const { return preferences_; }
  LocationUpdaterClassImpl* updaterClass() const { return updater_; }
  WeatherBackgroundClassImpl* backgroundClass() const { return background_; }
  WeatherBackgroundClassImpl* backgroundSubclass() const { return backgroundSubclass_; }
  AssetLoaderClassImpl* assetLoaderClass() const { return assetLoader_; }
  ImageLoaderClassImpl* imageLoaderClass() const { return imageLoader_; }
  PlatterViewControllerClassImpl* platterClass() const { return platter_; }

  // Back to how definition left the classes: shared objects let go, catalogues standard,
  // no user defaults, backgrounds numbered from 1. For reusing a process.
  void reset();

  // The shared objects, made on first use; none when their class is absent.
  std::shared_ptr<SimWeatherPreferences> preferences() const;
  std::shared_ptr<SimLocationUpdater> updater() const;
  std::shared_ptr<SimAssetLoader> assetLoader() const;

 private:
  void defineCityClasses(Runtime& runtime, bool withHourlyForecast);
  void defineAppClasses(Runtime& runtime, Record& record, UpdaterEnvironment environment,
                        const WeatherClassSet& present);
  void defineInterfaceClasses(Runtime& runtime, const ViewClasses& views, Record& record,
                              const WeatherClassSet& present);

  CityClass* city_ = nullptr;
  host::Class* error_ = nullptr;
  WeatherPreferencesClassImpl* preferences_ = nullptr;
  LocationUpdaterClassImpl* updater_ = nullptr;
  WeatherBackgroundClassImpl* background_ = nullptr;
  WeatherBackgroundClassImpl* backgroundSubclass_ = nullptr;
  AssetLoaderClassImpl* assetLoader_ = nullptr;
  ImageLoaderClassImpl* imageLoader_ = nullptr;
  PlatterViewControllerClassImpl* platter_ = nullptr;
};

}  // namespace sim
