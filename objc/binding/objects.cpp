// Every host object type of the binding, and which one an Objective-C class gets.
#include "objc/binding/objects.h"

#include <objc/runtime.h>

#include <string_view>

#include "host/platform.h"
#include "objc/binding/blocks.h"
#include "objc/binding/views.h"
#include "objc/runtime/foundation.h"

namespace nimbrel::objc {

namespace {

template <class T>
std::shared_ptr<T> sendWrapped(id receiver, SEL selector) {
  return wrapAs<T>(send<id>(receiver, selector));
}

void sendString(id receiver, SEL selector, std::string_view text) {
  Owned string = makeString(text);
  send<void>(receiver, selector, string.get());
}

std::optional<std::string> stringResult(id string) { return stringFrom(string); }

// Any view may be the shell's date view: the messages it lacks raise, as on the phone.
class ViewBinding final : public BoundView<host::DateView> {
 public:
  using BoundView::BoundView;
  std::shared_ptr<host::Label> timeLabel() const override {
    return sendWrapped<host::Label>(self(), sel<"_timeLabel">());
  }
  void setSubtitleHidden(bool hidden) override {
    send<void>(self(), sel<"setSubtitleHidden:">(), BOOL(hidden));
  }
  void setDateHidden(bool hidden) override {
    send<void>(self(), sel<"setDateHidden:">(), BOOL(hidden));
  }
};

class LabelBinding final : public BoundView<host::Label> {
 public:
  using BoundView::BoundView;
  std::string text() const override {
    PoolScope pool;
    return stringResult(send<id>(self(), sel<"text">())).value_or("");
  }
  std::shared_ptr<host::Color> textColor() const override {
    return sendWrapped<host::Color>(self(), sel<"textColor">());
  }
  void setTextColor(const std::shared_ptr<host::Color>& color) override {
    send<void>(self(), sel<"setTextColor:">(), unwrap(color));
  }
};

class BackgroundBinding final : public BoundView<host::WeatherBackground> {
 public:
  using BoundView::BoundView;
  void setCity(const std::shared_ptr<host::City>& city, bool animate) override {
    send<void>(self(), sel<"setCity:animate:">(), unwrap(city), BOOL(animate));
  }
  void setGradientLayer(bool enabled) override {
    send<void>(self(), sel<"setGradientLayer:">(), BOOL(enabled));
  }
};

class HeaderBinding final : public BoundView<host::TodayHeaderView> {
 public:
  using BoundView::BoundView;
  std::shared_ptr<host::Label> temperatureLabel() const override {
    return sendWrapped<host::Label>(self(), sel<"temperatureLabel">());
  }
  void setConditionsImage(const std::shared_ptr<host::Image>& image) override {
    send<void>(self(), sel<"setConditionsImage:">(), unwrap(image));
  }
  void setLocationName(const std::string& text) override {
    sendString(self(), sel<"setLocationName:">(), text);
  }
  void setConditionsLine1(const std::string& text) override {
    sendString(self(), sel<"setConditionsLine1:">(), text);
  }
  void setConditionsLine2(const std::string& text) override {
    sendString(self(), sel<"setConditionsLine2:">(), text);
  }
  void setTemperature(const std::string& text) override {
    sendString(self(), sel<"setTemperature:">(), text);
  }
  void setTemperatureHigh(const std::string& text) override {
    sendString(self(), sel<"setTemperatureHigh:">(), text);
  }
  void setTemperatureLow(const std::string& text) override {
    sendString(self(), sel<"setTemperatureLow:">(), text);
  }
};

class LocationBinding final : public Bound<host::Location> {
 public:
  using Bound::Bound;
  host::Coordinate coordinate() const override {
    return toHost(send<CLLocationCoordinate2D>(self(), sel<"coordinate">()));
  }
};

class TemperatureBinding final : public Bound<host::Temperature> {
 public:
  using Bound::Bound;
  double celsius() const override { return send<double>(self(), sel<"celsius">()); }
  double fahrenheit() const override { return send<double>(self(), sel<"fahrenheit">()); }
};

class HourlyForecastBinding final : public Bound<host::HourlyForecast> {
 public:
  using Bound::Bound;
  std::shared_ptr<host::Temperature> temperature() const override {
    return sendWrapped<host::Temperature>(self(), sel<"temperature">());
  }
};

class CityBinding final : public Bound<host::City> {
 public:
  using Bound::Bound;
  std::shared_ptr<host::Location> location() const override {
    return sendWrapped<host::Location>(self(), sel<"location">());
  }
  void setLocation(const std::shared_ptr<host::Location>& location) override {
    send<void>(self(), sel<"setLocation:">(), unwrap(location));
  }
  std::int64_t conditionCode() const override { return send<long>(self(), sel<"conditionCode">()); }
  void setConditionCode(std::int64_t code) override {
    send<void>(self(), sel<"setConditionCode:">(), static_cast<long>(code));
  }
  bool isDay() const override { return send<BOOL>(self(), sel<"isDay">()); }
  void setIsDay(bool isDay) override { send<void>(self(), sel<"setIsDay:">(), BOOL(isDay)); }
  void setAutoUpdate(bool autoUpdate) override {
    send<void>(self(), sel<"setAutoUpdate:">(), BOOL(autoUpdate));
  }
  std::optional<host::Date> updateTime() const override {
    return dateFrom(send<id>(self(), sel<"updateTime">()));
  }
  void setUpdateTime(std::optional<host::Date> time) override {
    Owned date = time ? makeDate(*time) : Owned();
    send<void>(self(), sel<"setUpdateTime:">(), date.get());
  }
  std::shared_ptr<host::Temperature> temperature() const override {
    return sendWrapped<host::Temperature>(self(), sel<"temperature">());
  }
  std::vector<std::shared_ptr<host::HourlyForecast>> hourlyForecasts() const override {
    id array = send<id>(self(), sel<"hourlyForecasts">());
    const auto count = send<unsigned long>(array, sel<"count">());
    std::vector<std::shared_ptr<host::HourlyForecast>> forecasts;
    for (unsigned long i = 0; i < count; ++i)
      forecasts.push_back(
          wrapAs<host::HourlyForecast>(send<id>(array, sel<"objectAtIndex:">(), i)));
    return forecasts;
  }
  host::Dictionary dictionaryRepresentation() const override {
    PoolScope pool;
    return dictionaryFrom(send<id>(self(), sel<"dictionaryRepresentation">()))
        .value_or(host::Dictionary());
  }
};

class WeatherPreferencesBinding final : public Bound<host::WeatherPreferences> {
 public:
  using Bound::Bound;
  std::shared_ptr<host::City> localWeatherCity() const override {
    return sendWrapped<host::City>(self(), sel<"localWeatherCity">());
  }
  std::shared_ptr<host::City> cityFromPreferencesDictionary(
      const host::Value& entry) const override {
    Owned dictionary = makeValue(entry);
    return wrapAs<host::City>(
        send<id>(self(), sel<"cityFromPreferencesDictionary:">(), dictionary.get()));
  }
  bool isCelsius() const override { return send<BOOL>(self(), sel<"isCelsius">()); }
};

class LocationUpdaterBinding final : public Bound<host::LocationUpdater> {
 public:
  using Bound::Bound;
  void updateWeatherForLocation(const std::shared_ptr<host::Location>& location,
                                const std::shared_ptr<host::City>& city,
                                host::WeatherUpdateHandler handler) override {
    send<void>(self(), sel<"updateWeatherForLocation:city:withCompletionHandler:">(),
               unwrap(location), unwrap(city), completionBlock(handler));
  }
};

class AssetLoaderBinding final : public Bound<host::AssetLoader> {
 public:
  using Bound::Bound;
  std::optional<std::string> filenameForCondition(std::int64_t condition, bool isDay) override {
    PoolScope pool;
    return stringResult(send<id>(self(), sel<"filenameForCondition:isDay:">(),
                                 static_cast<long>(condition), BOOL(isDay)));
  }
};

class PlatterViewControllerBinding final : public Bound<host::PlatterViewController> {
 public:
  using Bound::Bound;
  std::shared_ptr<host::View> view() override {
    return sendWrapped<host::View>(self(), sel<"view">());
  }
  std::shared_ptr<host::TodayHeaderView> headerView() override {
    return sendWrapped<host::TodayHeaderView>(self(), sel<"headerView">());
  }
};

class AlertViewBinding final : public Bound<host::AlertView> {
 public:
  using Bound::Bound;
  long tag() const override { return send<long>(self(), sel<"tag">()); }
  void setTag(long tag) override { send<void>(self(), sel<"setTag:">(), tag); }
  void show() override { send<void>(self(), sel<"show">()); }
};

class TimerBinding final : public Bound<host::Timer> {
 public:
  using Bound::Bound;
  void invalidate() override { send<void>(self(), sel<"invalidate">()); }
  bool isValid() const override { return send<BOOL>(self(), sel<"isValid">()); }
  double timeInterval() const override { return send<double>(self(), sel<"timeInterval">()); }
};

using ObjectBinding = Bound<host::Object>;
using ColorBinding = Bound<host::Color>;
using ImageBinding = Bound<host::Image>;

class WeatherPreferencesClassBinding final : public BoundClass<host::WeatherPreferencesClass> {
 public:
  using BoundClass::BoundClass;
  std::shared_ptr<host::WeatherPreferences> sharedPreferences() override {
    return sendWrapped<host::WeatherPreferences>(self(), sel<"sharedPreferences">());
  }
  std::optional<host::Value> userDefaultsObjectForKey(std::string_view key) override {
    PoolScope pool;
    id preferences = send<id>(self(), sel<"sharedPreferences">());
    id defaults =
        send<id>(send<id>(preferences, sel<"userDefaultsPersistence">()), sel<"userDefaults">());
    Owned name = makeString(key);
    return valueFrom(send<id>(defaults, sel<"objectForKey:">(), name.get()));
  }
};

class LocationUpdaterClassBinding final : public BoundClass<host::LocationUpdaterClass> {
 public:
  using BoundClass::BoundClass;
  std::shared_ptr<host::LocationUpdater> sharedLocationUpdater() override {
    return sendWrapped<host::LocationUpdater>(self(), sel<"sharedLocationUpdater">());
  }
};

class WeatherBackgroundClassBinding final : public BoundClass<host::WeatherBackgroundClass> {
 public:
  using BoundClass::BoundClass;
  std::shared_ptr<host::WeatherBackground> makeWithFrame(const host::Rect& frame) override {
    return makeInstance<host::WeatherBackground>(self(), sel<"initWithFrame:">(),
                                                 toPlatform(frame));
  }
};

class AssetLoaderClassBinding final : public BoundClass<host::AssetLoaderClass> {
 public:
  using BoundClass::BoundClass;
  std::shared_ptr<host::AssetLoader> sharedAssetLoader() override {
    return sendWrapped<host::AssetLoader>(self(), sel<"sharedAssetLoader">());
  }
};

class ImageLoaderClassBinding final : public BoundClass<host::ImageLoaderClass> {
 public:
  using BoundClass::BoundClass;
  std::optional<std::string> conditionImageNameWithConditionIndex(std::int64_t index) override {
    PoolScope pool;
    return stringResult(
        send<id>(self(), sel<"conditionImageNameWithConditionIndex:">(), static_cast<long>(index)));
  }
  std::shared_ptr<host::Image> conditionImageNamed(std::string_view name) override {
    Owned string = makeString(name);
    return wrapAs<host::Image>(send<id>(self(), sel<"conditionImageNamed:">(), string.get()));
  }
};

class PlatterViewControllerClassBinding final
    : public BoundClass<host::PlatterViewControllerClass> {
 public:
  using BoundClass::BoundClass;
  std::shared_ptr<host::PlatterViewController> make() override {
    return makeInstance<host::PlatterViewController>(self(), sel<"init">());
  }
};

using PlainClassBinding = BoundClass<host::Class>;

// The first class up the chain that has a host type of its own decides.
template <class Maker>
struct Kind {
  std::string_view className;
  Maker make;
};

template <class Maker, std::size_t N>
Maker makerFor(Class cls, const Kind<Maker> (&kinds)[N], Maker fallback) {
  for (Class c = cls; c; c = class_getSuperclass(c)) {
    const std::string_view name = class_getName(c);
    for (const Kind<Maker>& kind : kinds)
      if (kind.className == name) return kind.make;
  }
  return fallback;
}

template <class T>
std::unique_ptr<host::Object> makeObject(id object) {
  return std::make_unique<T>(object);
}

template <class T>
std::unique_ptr<host::Class> makeClass(Class cls) {
  return std::make_unique<T>(cls);
}

using ObjectMaker = std::unique_ptr<host::Object> (*)(id);
using ClassMaker = std::unique_ptr<host::Class> (*)(Class);

// constexpr, so that both tables are filled before the module initialiser, which may run ahead
// of this library's dynamic initialisers, makes its first host object.
constexpr Kind<ObjectMaker> kObjectKinds[]{
    {"WUIDynamicWeatherBackground", makeObject<BackgroundBinding>},
    {"WATodayHeaderView", makeObject<HeaderBinding>},
    {"UILabel", makeObject<LabelBinding>},
    {"UIAlertView", makeObject<AlertViewBinding>},
    {"UIView", makeObject<ViewBinding>},
    {"City", makeObject<CityBinding>},
    {"CLLocation", makeObject<LocationBinding>},
    {"WFTemperature", makeObject<TemperatureBinding>},
    {"WAHourlyForecast", makeObject<HourlyForecastBinding>},
    {"WeatherPreferences", makeObject<WeatherPreferencesBinding>},
    {"TWCLocationUpdater", makeObject<LocationUpdaterBinding>},
    {"WUIAsynchronousAssetLoader", makeObject<AssetLoaderBinding>},
    {"WAWeatherPlatterViewController", makeObject<PlatterViewControllerBinding>},
    {"UIColor", makeObject<ColorBinding>},
    {"UIImage", makeObject<ImageBinding>},
    {"NSTimer", makeObject<TimerBinding>},
};

constexpr Kind<ClassMaker> kClassKinds[]{
    {"WeatherPreferences", makeClass<WeatherPreferencesClassBinding>},
    {"TWCLocationUpdater", makeClass<LocationUpdaterClassBinding>},
    {"WUIDynamicWeatherBackground", makeClass<WeatherBackgroundClassBinding>},
    {"WUIAsynchronousAssetLoader", makeClass<AssetLoaderClassBinding>},
    {"WeatherImageLoader", makeClass<ImageLoaderClassBinding>},
    {"WAWeatherPlatterViewController", makeClass<PlatterViewControllerClassBinding>},
};

}  // namespace

std::unique_ptr<host::Object> makeHostObject(id object, Class cls) {
  return makerFor(cls, kObjectKinds, makeObject<ObjectBinding>)(object);
}

std::unique_ptr<host::Class> makeHostClass(Class cls) {
  if (class_isMetaClass(cls)) return makeClass<PlainClassBinding>(cls);
  return makerFor(cls, kClassKinds, makeClass<PlainClassBinding>)(cls);
}

}  // namespace nimbrel::objc
