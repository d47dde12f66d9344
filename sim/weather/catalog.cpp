// Definition of the frameworks' classes in a process.
#include "sim/weather/catalog.h"

#include "sim/originals.h"

namespace sim {

namespace names = weatherClassNames;

WeatherCatalog::WeatherCatalog(Runtime& runtime, const ViewClasses& views, Record& record,
                               UpdaterEnvironment environment, WeatherClassSet present) {
  defineCityClasses(runtime, present.hourlyForecast);
  defineAppClasses(runtime, record, std::move(environment), present);
  defineInterfaceClasses(runtime, views, record, present);
}

void WeatherCatalog::defineCityClasses(Runtime& runtime, bool withHourlyForecast) {
  host::Class& location = runtime.defineClass(names::location, nullptr);
  host::Class& temperature = runtime.defineClass(names::temperature, nullptr);
  host::Class& forecast = runtime.defineClass(
      withHourlyForecast ? names::hourlyForecast : names::olderHourlyForecast, nullptr);
  city_ = &runtime.defineClass<CityClass>(names::city, nullptr, location, temperature, forecast);
  error_ = runtime.findClass(names::error);
  if (!error_) error_ = &runtime.defineClass(names::error, nullptr);
}

void WeatherCatalog::defineAppClasses(Runtime& runtime, Record& record,
                                      UpdaterEnvironment environment,
                                      const WeatherClassSet& present) {
  if (present.weatherPreferences)
    preferences_ = &runtime.defineClass<WeatherPreferencesClassImpl>(names::weatherPreferences,
                                                                     nullptr, *city_);
  if (present.locationUpdater)
    updater_ = &runtime.defineClass<LocationUpdaterClassImpl>(
        names::locationUpdater, nullptr, *city_, *error_, record, std::move(environment));
  if (present.assetLoader) {
    assetLoader_ = &runtime.defineClass<AssetLoaderClassImpl>(names::assetLoader, nullptr, runtime,
                                                              AssetCatalog::standard());
    originals::defineFor(runtime, *assetLoader_);
  }
}

void WeatherCatalog::defineInterfaceClasses(Runtime& runtime, const ViewClasses& views,
                                            Record& record, const WeatherClassSet& present) {
  if (present.dynamicWeatherBackground) {
    auto family = std::make_shared<BackgroundFamily>();
    background_ = &runtime.defineClass<WeatherBackgroundClassImpl>(names::background, &views.view,
                                                                   record, family);
    backgroundSubclass_ = &runtime.defineClass<WeatherBackgroundClassImpl>(
        names::backgroundSubclass, background_, record, family);
    runtime.defineModelledMethod(*background_, {"setCity:animate:"});
    runtime.defineModelledMethod(*background_, {"setGradientLayer:"});
  }
  if (present.imageLoader)
    imageLoader_ = &runtime.defineClass<ImageLoaderClassImpl>(
        names::imageLoader, nullptr, views.image, ImageCatalog::standard());
  std::optional<HeaderClasses> header;
  if (present.todayHeaderView) {
    host::Class& headerClass = runtime.defineClass(names::todayHeaderView, &views.view);
    host::Class& highLow = runtime.defineClass(names::highLowLabel, &views.label);
    header.emplace(HeaderClasses{headerClass, views.label, highLow, views.view, views.color});
  }
  if (present.platterViewController)
    platter_ = &runtime.defineClass<PlatterViewControllerClassImpl>(
        names::platterViewController, nullptr, views.view, header, present.platterHeader);
}

void WeatherCatalog::reset() {
  if (preferences_) preferences_->reset();
  if (updater_) updater_->reset();
  if (assetLoader_) assetLoader_->reset(AssetCatalog::standard());
  if (imageLoader_) imageLoader_->catalog() = ImageCatalog::standard();
  if (background_) background_->restartFamily();
}

std::shared_ptr<SimCity> WeatherCatalog::newCity(CityData data) const {
  return std::make_shared<SimCity>(*city_, std::move(data));
}

std::shared_ptr<SimCity> WeatherCatalog::newCity(const host::Dictionary& representation) const {
  return newCity(cityDataFromDictionary(representation));
}

std::shared_ptr<SimLocation> WeatherCatalog::newLocation(double latitude, double longitude) const {
  return std::make_shared<SimLocation>(city_->locationClass(),
                                       host::Coordinate{latitude, longitude});
}

std::shared_ptr<SimWeatherPreferences> WeatherCatalog::preferences() const {
  return preferences_ ? preferences_->shared() : nullptr;
}

std::shared_ptr<SimLocationUpdater> WeatherCatalog::updater() const {
  return updater_ ? updater_->shared() : nullptr;
}

std::shared_ptr<SimAssetLoader> WeatherCatalog::assetLoader() const {
  return assetLoader_ ? assetLoader_->shared() : nullptr;
}

}  // namespace sim
