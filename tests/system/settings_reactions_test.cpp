// What a settings reload takes down or forgets, key by key.
#include <gtest/gtest.h>

#include <algorithm>
#include <type_traits>
#include <variant>
#include <vector>

#include "startup/install_hooks.h"
#include "startup/settings_table.h"
#include "state/view_terms.h"
#include "tests/system/addon_fixture.h"

namespace {

using nimbrel::state;

struct Outcome {
  bool lockBackgroundDetached = false;
  bool lockBackgroundDropped = false;
  bool homeScreenTornDown = false;
  bool lastUpdateDropped = false;
  bool headerDetached = false;
  bool timerStopped = false;
};

struct ReactionCase {
  const char* label;
  host::Dictionary before, after;
  Outcome expected;
};

void PrintTo(const ReactionCase& c, std::ostream* out) { *out << c.label; }

class SettingsReload : public AddonFixture {
 protected:
  void load(host::Dictionary values) {
    // The home-screen key tears everything down when absent; each case names it when it matters.
    values.try_emplace("homescreenBackground", true);
    process().preferences().setDomain(nimbrel::kPreferencesDomain, values);
    loadDefaultSettings();
  }
  // Everything a reaction can touch, as a locked and used shell has it.
  void populate() {
    auto& weather = process().weather();
    lock_ = weather.backgroundClass()->make(host::makeRect(0, 0, 375, 667));
    process().shell().dateContainer()->addSubview(lock_);
    home_ = weather.backgroundClass()->make(host::makeRect(0, 0, 375, 667));
    process().shell().hostView(sim::Shell::homeScreenWallpaper)->addSubview(home_);
    header_ = weather.platterClass()->make()->headerView();
    lock_->addSubview(header_);
    timer_ = process().runLoop().scheduledTimer(100, nullptr, host::methods::TickTock::selector,
                                                nullptr, true);
    state().weatherBackground = lock_;
    state().homeScreenViews = nimbrel::BackgroundList{home_};
    state().weatherView = home_;
    state().weatherHeaderView = header_;
    state().randomTimer = timer_;
    state().city = makeCity("Shown");
    state().lastUpdate = host::Date{now()};
  }
  Outcome observe() {
    return {lock_->superview() == nullptr,
            state().weatherBackground == nullptr,
            !state().homeScreenViews && !state().weatherView && home_->superview() == nullptr,
            !state().lastUpdate,
            header_->superview() == nullptr,
            !timer_->isValid() && !state().randomTimer};
  }

  std::shared_ptr<sim::SimWeatherBackground> lock_, home_;
  std::shared_ptr<host::TodayHeaderView> header_;
  std::shared_ptr<host::Timer> timer_;
};

class SettingsReactions : public SettingsReload,
                          public ::testing::WithParamInterface<ReactionCase> {};

TEST_P(SettingsReactions, TakeDownExactlyWhatTheChangedKeyLeftBehind) {
  load(GetParam().before);
  populate();
  load(GetParam().after);
  const Outcome actual = observe();
  const Outcome& expected = GetParam().expected;
  EXPECT_EQ(actual.lockBackgroundDetached, expected.lockBackgroundDetached);
  EXPECT_EQ(actual.lockBackgroundDropped, expected.lockBackgroundDropped);
  EXPECT_EQ(actual.homeScreenTornDown, expected.homeScreenTornDown);
  EXPECT_EQ(actual.lastUpdateDropped, expected.lastUpdateDropped);
  EXPECT_EQ(actual.headerDetached, expected.headerDetached);
  EXPECT_EQ(actual.timerStopped, expected.timerStopped);
  EXPECT_EQ(state().city, nullptr) << "every reload drops the city";
}

const ReactionCase kCases[] = {
    ReactionCase{"EnabledChangedDetachesAndDropsTheLockBackground",
                 {},
                 {{"enabled", false}},
                 {.lockBackgroundDetached = true, .lockBackgroundDropped = true}},
    ReactionCase{"EnabledBackOnDetachesAndDropsTheLockBackground",
                 {{"enabled", false}},
                 {},
                 {.lockBackgroundDetached = true, .lockBackgroundDropped = true}},
    ReactionCase{"OwnWallpaperChangedDropsTheLockBackgroundInPlace",
                 {},
                 {{"showOwnWallpaper", true}},
                 {.lockBackgroundDropped = true}},
    ReactionCase{"OwnWallpaperBackOffDropsTheLockBackgroundInPlace",
                 {{"showOwnWallpaper", true}},
                 {},
                 {.lockBackgroundDropped = true}},
    ReactionCase{"HomeScreenOffTearsDownOnEveryLoad",
                 {{"homescreenBackground", false}},
                 {{"homescreenBackground", false}},
                 {.homeScreenTornDown = true}},
    ReactionCase{"LocalCityChangedForgetsCityUpdateAndLockBackground",
                 {},
                 {{"useLocalCity", false}},
                 {.lockBackgroundDropped = true, .lastUpdateDropped = true}},
    ReactionCase{"LocalCityBackOnForgetsCityUpdateAndLockBackground",
                 {{"useLocalCity", false}},
                 {},
                 {.lockBackgroundDropped = true, .lastUpdateDropped = true}},
    ReactionCase{"RandomOnDetachesTheHeaderAndKeepsTheTimer",
                 {},
                 {{"randomWeather", true}},
                 {.headerDetached = true}},
    ReactionCase{"RandomOffStopsTheTimer", {{"randomWeather", true}}, {}, {.timerStopped = true}},
    ReactionCase{"LockAndUnlockModeOnStopsTheTimer",
                 {},
                 {{"randomWeatherUnLock", true}},
                 {.timerStopped = true}},
    ReactionCase{"LockAndUnlockModeOffDetachesTheHeader",
                 {{"randomWeatherUnLock", true}},
                 {},
                 {.headerDetached = true}},
    ReactionCase{"HeaderOffDetachesTheHeader",
                 {{"showTemperatureAndCondition", true}},
                 {},
                 {.headerDetached = true}},
    ReactionCase{"HeaderOnDoesNothing", {}, {{"showTemperatureAndCondition", true}}, {}},
    ReactionCase{"CustomWeatherForgetsTheUpdateAndDetachesTheHeader",
                 {},
                 {{"customWeather", 3}},
                 {.lastUpdateDropped = true, .headerDetached = true}},
    ReactionCase{"CustomWeatherUnchangedStillForgetsTheUpdateAndDetachesTheHeader",
                 {{"customWeather", 3}},
                 {{"customWeather", 3}},
                 {.lastUpdateDropped = true, .headerDetached = true}}};
INSTANTIATE_TEST_SUITE_P(Keys, SettingsReactions, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.label); });

// A value the key's cell can write other than the one the key has when absent.
host::Value changedValue(const nimbrel::SettingRow& setting) {
  return std::visit(
      [&](auto absent) -> host::Value {
        if constexpr (std::is_same_v<decltype(absent), bool>)
          return !absent;
        else
          return absent + (absent < setting.cell.maximum ? 1 : -1) * setting.cell.step;
      },
      setting.absent);
}

bool takesDownSomething(const Outcome& o) {
  return o.lockBackgroundDetached || o.lockBackgroundDropped || o.homeScreenTornDown ||
         o.lastUpdateDropped || o.headerDetached || o.timerStopped;
}

// The table marks which keys react; each of those has a case above in which it takes
// something down, and changing any other key takes down nothing but the city.
TEST_F(SettingsReload, OfAKeyTheTableMarksReactingHasACaseAboveAndOfAnyOtherKeyTakesDownNothing) {
  for (const nimbrel::SettingRow& setting : nimbrel::kSettings) {
    SCOPED_TRACE(setting.key);
    if (setting.reacts) {
      EXPECT_TRUE(std::ranges::any_of(kCases, [&](const ReactionCase& c) {
        return (c.before.contains(setting.key) || c.after.contains(setting.key)) &&
               takesDownSomething(c.expected);
      })) << "no case here shows this key's reaction";
      continue;
    }
    load({});
    populate();
    load({{std::string(setting.key), changedValue(setting)}});
    EXPECT_FALSE(takesDownSomething(observe()));
    EXPECT_EQ(state().city, nullptr) << "every reload drops the city";
  }
}

class FirstLoad : public AddonFixture {};

TEST_F(FirstLoad, AtStartUpFindsNothingToTakeDown) {
  nimbrel::resetState();
  loadDefaultSettings();
  EXPECT_TRUE(state().settings.enabled);
  EXPECT_TRUE(state().settings.useLocalCity);
  EXPECT_FALSE(state().homeScreenViews.has_value());
  EXPECT_EQ(state().weatherBackground, nullptr);
}

TEST_F(FirstLoad, ADroppedButStillInsertedLockBackgroundIsAdoptedAgain) {
  process().preferences().setDomain(nimbrel::kPreferencesDomain, {});
  nimbrel::installHooks();
  setLocalCity("Cupertino");
  state().screenLocked = true;
  auto dateView = process().shell().requestDateView();
  const auto first = state().weatherBackground;
  process().preferences().set(nimbrel::kPreferencesDomain, "showOwnWallpaper", true);
  loadDefaultSettings();
  EXPECT_EQ(state().weatherBackground, nullptr);
  process().shell().requestDateView();
  EXPECT_EQ(state().weatherBackground, first);
  EXPECT_EQ(
      process().record().textsIn("view"),
      (std::vector<std::string>{"made WUIDynamicWeatherBackground 1 with frame (0, 0, 375, 667)",
                                "background 1 gradient layer off"}));
}

}  // namespace
