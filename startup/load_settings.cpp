#include "startup/load_settings.h"

#include <optional>
#include <string_view>

#include "events/lock_events.h"
#include "host/platform.h"
#include "state/shared_state.h"
#include "state/view_terms.h"

namespace nimbrel {

namespace {

// The domain's values when the process runs as the mobile user and the domain has keys;
// otherwise the fallback file, which may be missing (none).
std::optional<host::Dictionary> settingsSource() {
  host::Platform& platform = host::platform();
  if (platform.processInfo().homeDirectory() == "/var/mobile") {
    host::Preferences& preferences = platform.preferences();
    if (std::optional<host::Array> keys = preferences.copyKeyList(kPreferencesDomain)) {
      std::optional<host::Dictionary> values = preferences.copyMultiple(&*keys, kPreferencesDomain);
      return values ? std::move(values) : host::Dictionary{};
    }
  }
  return platform.files().dictionaryWithContentsOfFile(kFallbackSettingsFile);
}

template <class T>
T convert(const host::Value& value);
template <>
bool convert<bool>(const host::Value& value) {
  return value.boolValue();
}
template <>
std::int32_t convert<std::int32_t>(const host::Value& value) {
  return value.intValue();
}
template <>
double convert<double>(const host::Value& value) {
  return value.doubleValue();
}

// What a change of one key leaves behind is dealt with here, between reading the new value
// and storing it.
template <class T>
using Reaction = void (*)(T oldValue, T newValue);

// A value with no boolean or numeric reading (an array, a dictionary, a date, data) counts as
// absent: on the phone asking it for one would raise inside the shell and bring it down.
template <class T>
void readKey(const host::Dictionary* source, std::string_view key, T fallback, T& field,
             Reaction<T> react = nullptr) {
  const host::Value* value = host::objectForKey(source, key);
  T newValue = value && value->hasNumericReading() ? convert<T>(*value) : fallback;
  if (react) react(field, newValue);
  field = newValue;
}

// What a changed key leaves behind, so that the next lock-screen or wallpaper build starts
// afresh. Each runs after the key's new value is read and before it is stored.
namespace reactions {

void enabled(bool oldValue, bool newValue) {
  if (oldValue == newValue) return;
  detach(state().weatherBackground);
  state().weatherBackground.reset();
}

void showOwnWallpaper(bool oldValue, bool newValue) {
  if (oldValue != newValue) state().weatherBackground.reset();
}

void homescreenBackground(bool, bool newValue) {
  if (!newValue) tearDownHomeScreenViews();
}

void useLocalCity(bool oldValue, bool newValue) {
  if (oldValue == newValue) return;
  SharedState& s = state();
  s.city.reset();
  s.lastUpdate.reset();
  s.weatherBackground.reset();
}

void randomWeather(bool oldValue, bool newValue) {
  if (oldValue == newValue) return;
  if (newValue) {
    detach(state().weatherHeaderView);
  } else {
    stopRandomTimer();
    state().city.reset();
  }
}

void randomWeatherUnLock(bool oldValue, bool newValue) {
  if (oldValue == newValue) return;
  if (newValue) {
    stopRandomTimer();
    state().city.reset();
  } else {
    detach(state().weatherHeaderView);
  }
}

void showTemperatureAndCondition(bool oldValue, bool newValue) {
  if (oldValue && !newValue) detach(state().weatherHeaderView);
}

void customWeather(std::int32_t, std::int32_t newValue) {
  SharedState& s = state();
  s.city.reset();
  if (newValue == 0) return;
  s.lastUpdate.reset();
  detach(s.weatherHeaderView);
}

}  // namespace reactions

}  // namespace

void loadSettings(host::NotificationCenter*, void*, const char*, const void*,
                  const host::Dictionary*) {
  const std::optional<host::Dictionary> source = settingsSource();
  const host::Dictionary* dictionary = source ? &*source : nullptr;
  Settings& s = state().settings;

  readKey(dictionary, "enabled", true, s.enabled, reactions::enabled);
  readKey(dictionary, "hideWithTime", false, s.hideWithTime);
  readKey(dictionary, "hideTimeDate", false, s.hideTimeDate);
  readKey(dictionary, "noReminder", false, s.noReminder);
  readKey(dictionary, "reScaleCompatibility", false, s.reScaleCompatibility);
  readKey(dictionary, "showOwnWallpaper", false, s.showOwnWallpaper, reactions::showOwnWallpaper);
  readKey(dictionary, "homescreenBackground", false, s.homescreenBackground,
          reactions::homescreenBackground);
  readKey(dictionary, "showOwnHomescreenWallpaper", false, s.showOwnHomescreenWallpaper);
  readKey(dictionary, "disableParallax", false, s.disableParallax);
  readKey(dictionary, "useLocalCity", true, s.useLocalCity, reactions::useLocalCity);
  readKey(dictionary, "updateInterval", std::int32_t{100}, s.updateInterval);
  readKey(dictionary, "randomWeather", false, s.randomWeather, reactions::randomWeather);
  readKey(dictionary, "randomWeatherUnLock", false, s.randomWeatherUnLock,
          reactions::randomWeatherUnLock);
  readKey(dictionary, "showTemperatureAndCondition", false, s.showTemperatureAndCondition,
          reactions::showTemperatureAndCondition);
  readKey(dictionary, "lockScreenVerticalOffsetTemperatureCondition", 50.0,
          s.lockScreenVerticalOffsetTemperatureCondition);
  readKey(dictionary, "customWeather", std::int32_t{0}, s.customWeather, reactions::customWeather);
  readKey(dictionary, "lockScreenHorizontalOffsetTemperatureCondition", 0.0,
          s.lockScreenHorizontalOffsetTemperatureCondition);
  readKey(dictionary, "plusLandscape", false, s.plusLandscape);
  readKey(dictionary, "homeScreenVerticalOffsetBackground", 0.0,
          s.homeScreenVerticalOffsetBackground);
}

}  // namespace nimbrel
