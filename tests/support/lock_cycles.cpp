#include "tests/support/lock_cycles.h"

#include "startup/install_hooks.h"
#include "startup/load_settings.h"
#include "state/shared_state.h"

namespace testing_support {

namespace {
constexpr const char* kLockComplete = "com.apple.springboard.lockcomplete";
// Longer than the update interval, so that every cycle requests the weather again.
constexpr double kCycleSeconds = 130;
}  // namespace

LockCycles::LockCycles(std::uint32_t seed) {
  nimbrel::resetState();
  sim::LaunchOptions options;
  options.randomSeed = seed;
  process_.emplace(device_, options);
  for (const char* key :
       {"homescreenBackground", "plusLandscape", "showTemperatureAndCondition", "hideWithTime"})
    process_->preferences().set(nimbrel::kPreferencesDomain, key, true);
  process_->preferences().set(nimbrel::kPreferencesDomain, "homeScreenVerticalOffsetBackground",
                              25.0);
  nimbrel::installHooks();
  auto& weather = process_->weather();
  sim::CityData local;
  local.name = "Cupertino";
  local.location = host::Coordinate{37.33, -122.03};
  weather.preferences()->setLocalCity(weather.newCity(local), sim::LocalCityAvailability::known);
}

LockCycles::~LockCycles() {
  nimbrel::resetState();
  process_.reset();
}

void LockCycles::run(long cycles) {
  for (long i = 0; i < cycles; ++i) cycle();
}

void LockCycles::post(const char* name) {
  process_->darwinNotifyCenter().post(name);
  process_->runLoop().runUntilIdle();
}

void LockCycles::display(bool on) {
  process_->setDisplay(on);
  process_->runLoop().runUntilIdle();
}

void LockCycles::setSetting(const char* key, host::Value value) {
  process_->preferences().set(nimbrel::kPreferencesDomain, key, std::move(value));
  post(nimbrel::kSettingsChangedNotification);
}

void LockCycles::cycle() {
  const long n = cycles_++;
  if (n % 7 == 3) setSetting("randomWeather", n % 14 == 3);
  if (n % 11 == 5) setSetting("randomWeatherUnLock", n % 22 == 5);
  if (n % 13 == 8) setSetting("customWeather", n % 26 == 8 ? 12 : 0);

  sim::Shell& shell = process_->shell();
  post(kLockComplete);
  display(true);
  shell.requestDateView();
  process_->runLoop().advance(kCycleSeconds / 2);  // the weather arrives; the timer may tick
  display(false);
  display(true);
  shell.requestDateView();
  shell.finishUnlock(0, nullptr);
  shell.requestContentView(sim::Shell::homeScreenWallpaper);
  shell.requestContentView(sim::Shell::lockScreenWallpaper);
  process_->rotate(n % 2 ? sim::Orientation::portrait : sim::Orientation::landscape);
  process_->runLoop().advance(kCycleSeconds / 2);
}

}  // namespace testing_support
