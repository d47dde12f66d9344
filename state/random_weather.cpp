#include "state/random_weather.h"

#include <algorithm>

#include "host/platform.h"
#include "state/city_resolution.h"
#include "state/conversions.h"
#include "state/entries.h"
#include "state/shared_state.h"
#include "state/view_terms.h"

namespace nimbrel {

namespace {
// With a catalogue that has no asset for any draw no attempt can succeed, so the retries stop
// here instead of hanging the shell.
constexpr int kMaxDrawAttempts = 1000;
constexpr std::uint32_t kConditionCount = 48;
// An interval of 0 or less would make the platform fire the timer ten thousand times a second,
// each time drawing and rebinding every background.
constexpr double kShortestTimerInterval = 1.0;

constexpr host::Coordinate kRandomPlaceholder{1.0, 103.0};
constexpr host::Coordinate kCustomPlaceholder{50.0, 10.0};

void holdPlaceholderCity(host::Coordinate at) {
  if (!state().city) state().city = placeholderCity(at.latitude, at.longitude);
}

void startRandomTimer(const host::Id& controller) {
  const double interval =
      std::max(kShortestTimerInterval, static_cast<double>(state().settings.updateInterval));
  state().randomTimer = host::platform().runLoop().scheduledTimer(
      interval, controller, host::methods::TickTock::selector, nullptr, true);
}
}  // namespace

bool drawRandomWeather() {
  SharedState& s = state();
  host::Random& random = host::platform().random();
  const std::uint32_t condition = random.uniform(kConditionCount);
  const bool isDay = random.uniform(2) == 1;
  if (s.city) {
    s.city->setConditionCode(condition);
    s.city->setIsDay(isDay);
  }
  host::AssetLoaderClass* loaderClass = s.classes.assetLoader.get();
  std::shared_ptr<host::AssetLoader> loader =
      loaderClass ? loaderClass->sharedAssetLoader() : nullptr;
  if (!loader) return false;
  const std::int64_t drawnCondition = s.city ? s.city->conditionCode() : 0;
  const bool drawnIsDay = s.city ? s.city->isDay() : false;
  return loader->filenameForCondition(drawnCondition, drawnIsDay).has_value();
}

void pickRandomWeather() {
  // Without a city the draws go nowhere and every attempt asks the loader for condition 0 at
  // night, and without a loader none can succeed: one attempt answers for all of them.
  SharedState& s = state();
  const int attempts = s.city && s.classes.assetLoader.get() ? kMaxDrawAttempts : 1;
  for (int attempt = 0; attempt < attempts; ++attempt)
    if (drawRandomWeather()) return;
}

void tickTock(const host::Id&, host::Selector) {
  catchAtEntry("-tickTock", [] {
    if (!drawRandomWeather()) return;
    bind(state().weatherBackground);
    bindHomeScreenViews();
  });
}

void prepareRandomOrCustomWeather(const host::Id& controller) {
  SharedState& s = state();
  if (s.settings.randomWeather) {
    holdPlaceholderCity(kRandomPlaceholder);
    if (!s.randomTimer && !s.settings.randomWeatherUnLock) startRandomTimer(controller);
  } else if (s.settings.customWeather != 0) {
    holdPlaceholderCity(kCustomPlaceholder);
    if (!s.city) return;
    s.city->setConditionCode(customCondition(s.settings.customWeather));
    s.city->setIsDay(false);
  }
}

}  // namespace nimbrel
