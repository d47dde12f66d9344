// The Weather and WeatherUI frameworks' objects and classes the system drives.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/object.h"
#include "host/value.h"
#include "host/views.h"

namespace host {

struct Coordinate {
  double latitude = 0;
  double longitude = 0;
  friend bool operator==(const Coordinate&, const Coordinate&) = default;
};

// CLLocation.
class Location : public Object {
 public:
  virtual Coordinate coordinate() const = 0;
};

// WFTemperature: one reading in both units.
class Temperature : public Object {
 public:
  virtual double celsius() const = 0;
  virtual double fahrenheit() const = 0;
};

class HourlyForecast : public Object {
 public:
  virtual std::shared_ptr<Temperature> temperature() const = 0;
};

class City : public Object {
 public:
  virtual std::shared_ptr<Location> location() const = 0;
  virtual void setLocation(const std::shared_ptr<Location>& location) = 0;
  virtual std::int64_t conditionCode() const = 0;
  virtual void setConditionCode(std::int64_t code) = 0;
  virtual bool isDay() const = 0;
  virtual void setIsDay(bool isDay) = 0;
  virtual void setAutoUpdate(bool autoUpdate) = 0;
  virtual std::optional<Date> updateTime() const = 0;
  virtual void setUpdateTime(std::optional<Date> time) = 0;
  virtual std::shared_ptr<Temperature> temperature() const = 0;
  virtual std::vector<std::shared_ptr<HourlyForecast>> hourlyForecasts() const = 0;
  // initWithDictionaryRepresentation: on a new city round-trips this dictionary.
  virtual Dictionary dictionaryRepresentation() const = 0;
};

class WeatherPreferences : public Object {
 public:
  virtual std::shared_ptr<City> localWeatherCity() const = 0;
  virtual std::shared_ptr<City> cityFromPreferencesDictionary(const Value& entry) const = 0;
  virtual bool isCelsius() const = 0;
};

class WeatherPreferencesClass : public Class {
 public:
  virtual std::shared_ptr<WeatherPreferences> sharedPreferences() = 0;
  // userDefaultsPersistence.userDefaults objectForKey: key; the saved cities live under "Cities".
  virtual std::optional<Value> userDefaultsObjectForKey(std::string_view key) = 0;
};

// Called once per request, on the run loop, with the updated city and an error or none.
using WeatherUpdateHandler = void (*)(std::shared_ptr<City> updatedCity, Id error);

class LocationUpdater : public Object {
 public:
  virtual void updateWeatherForLocation(const std::shared_ptr<Location>& location,
                                        const std::shared_ptr<City>& city,
                                        WeatherUpdateHandler handler) = 0;
};

class LocationUpdaterClass : public Class {
 public:
  virtual std::shared_ptr<LocationUpdater> sharedLocationUpdater() = 0;
};

// WUIDynamicWeatherBackground: draws the animated weather of the city bound to it.
class WeatherBackground : public View {
 public:
  virtual void setCity(const std::shared_ptr<City>& city, bool animate) = 0;
  virtual void setGradientLayer(bool enabled) = 0;
};

class WeatherBackgroundClass : public Class {
 public:
  // alloc, initWithFrame:
  virtual std::shared_ptr<WeatherBackground> makeWithFrame(const Rect& frame) = 0;
};

// WUIAsynchronousAssetLoader. filenameForCondition:isDay: goes through the class's method
// table, so a replacement of that method is in force for this call too.
class AssetLoader : public Object {
 public:
  virtual std::optional<std::string> filenameForCondition(std::int64_t condition, bool isDay) = 0;
};

class AssetLoaderClass : public Class {
 public:
  virtual std::shared_ptr<AssetLoader> sharedAssetLoader() = 0;
};

// WeatherImageLoader's class methods.
class ImageLoaderClass : public Class {
 public:
  virtual std::optional<std::string> conditionImageNameWithConditionIndex(std::int64_t index) = 0;
  virtual std::shared_ptr<Image> conditionImageNamed(std::string_view name) = 0;
};

// WATodayHeaderView.
class TodayHeaderView : public View {
 public:
  virtual std::shared_ptr<Label> temperatureLabel() const = 0;
  virtual void setConditionsImage(const std::shared_ptr<Image>& image) = 0;
  virtual void setLocationName(const std::string& text) = 0;
  virtual void setConditionsLine1(const std::string& text) = 0;
  virtual void setConditionsLine2(const std::string& text) = 0;
  virtual void setTemperature(const std::string& text) = 0;
  virtual void setTemperatureHigh(const std::string& text) = 0;
  virtual void setTemperatureLow(const std::string& text) = 0;
};

// WAWeatherPlatterViewController.
class PlatterViewController : public Object {
 public:
  virtual std::shared_ptr<View> view() = 0;
  virtual std::shared_ptr<TodayHeaderView> headerView() = 0;
};

class PlatterViewControllerClass : public Class {
 public:
  // alloc, init
  virtual std::shared_ptr<PlatterViewController> make() = 0;
};

}  // namespace host
