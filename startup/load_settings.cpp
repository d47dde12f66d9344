#include "startup/load_settings.h"

#include <optional>
#include <string_view>
#include <tuple>

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

// One preference key: the field it fills, its value when absent, and its reaction, if any.
template <class T>
struct Key {
  std::string_view name;
  Relaxed<T> Settings::*field;
  T fallback;
  Reaction<T> react = nullptr;
};

// settings.def, in reading order; a key marked `react` has its reaction in reactions:: above.
#define NIMBREL_REACTION_react(key) reactions::key
#define NIMBREL_REACTION_none(key) nullptr
constexpr auto kKeys = std::tuple{
#define NIMBREL_SETTING(key, type, absent, reaction, cell) \
  Key<type>{#key, &Settings::key, absent, NIMBREL_REACTION_##reaction(key)},
#include "startup/settings.def"
};
#undef NIMBREL_REACTION_react
#undef NIMBREL_REACTION_none

// A value with no boolean or numeric reading (an array, a dictionary, a date, data) counts as
// absent: on the phone asking it for one would raise inside the shell and bring it down.
template <class T>
void readKey(const host::Dictionary* source, const Key<T>& key, Settings& settings) {
  const host::Value* value = host::objectForKey(source, key.name);
  T newValue = value && value->hasNumericReading() ? convert<T>(*value) : key.fallback;
  Relaxed<T>& field = settings.*key.field;
  if (key.react) key.react(field, newValue);
  field = newValue;
}

}  // namespace

void loadSettings(host::NotificationCenter*, void*, const char*, const void*,
                  const host::Dictionary*) {
  const std::optional<host::Dictionary> source = settingsSource();
  const host::Dictionary* dictionary = source ? &*source : nullptr;
  std::apply([&](const auto&... key) { (readKey(dictionary, key, state().settings), ...); }, kKeys);
}

}  // namespace nimbrel
