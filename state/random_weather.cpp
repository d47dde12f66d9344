#include "state/random_weather.h"

#include "host/platform.h"
#include "state/shared_state.h"
#include "state/view_terms.h"

namespace nimbrel {

namespace {
// Without a city every attempt asks for condition 0 at night; if that has no asset no draw
// can succeed, so the retries stop here instead of hanging the shell.
constexpr int kMaxDrawAttempts = 1000;
constexpr std::uint32_t kConditionCount = 48;
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
  for (int attempt = 0; attempt < kMaxDrawAttempts; ++attempt)
    if (drawRandomWeather()) return;
}

void tickTock(const host::Id&, host::Selector) {
  if (!drawRandomWeather()) return;
  bind(state().weatherBackground);
  bindHomeScreenViews();
}

}  // namespace nimbrel
