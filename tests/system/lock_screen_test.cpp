// The lock-screen background behind the date view, through the shell's own -dateView.
#include "lockscreen/date_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "startup/install_hooks.h"
#include "state/view_terms.h"
#include "tests/system/addon_fixture.h"

namespace {

using nimbrel::state;

class LockScreen : public AddonFixture {
 protected:
  LockScreen() { boot(); }

  // A fresh process on the device as it is now, with the add-on installed and locked.
  void boot() {
    relaunch();
    nimbrel::installHooks();
    local_ = setLocalCity("Cupertino");
    state().screenLocked = true;
  }
  std::shared_ptr<host::DateView> request() { return process().shell().requestDateView(); }
  std::shared_ptr<sim::SimDateView> dateView() {
    return process().shell().dateViewController()->builtDateView();
  }
  std::shared_ptr<sim::SimWeatherBackground> lockBackground() {
    return std::dynamic_pointer_cast<sim::SimWeatherBackground>(state().weatherBackground);
  }
  std::vector<std::string> addonTrace() {
    std::vector<std::string> trace;
    for (const auto& entry : process().record().entries())
      if (entry.category == "view" || entry.category == "bind" || entry.category == "weather" ||
          entry.category == "timer" || entry.category == "alert")
        trace.push_back(entry.category + ": " + entry.text);
    return trace;
  }

  std::shared_ptr<sim::SimCity> local_;
};

TEST_F(LockScreen, DoesNothingBeyondTheShellWhileUnlockedOrWithBothSwitchesOff) {
  state().screenLocked = false;
  auto view = request();
  EXPECT_EQ(view, dateView());
  settings().enabled = false;
  state().screenLocked = true;
  request();
  EXPECT_TRUE(addonTrace().empty());
  EXPECT_EQ(state().weatherBackground, nullptr);
  EXPECT_EQ(state().city, nullptr);
}

TEST_F(LockScreen, PutsABoundScreenSizedBackgroundBehindTheDateView) {
  auto view = request();
  auto background = lockBackground();
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(view->subviews().front(), background);
  EXPECT_EQ(background->bounds().size, (host::Size{375, 667}));
  EXPECT_EQ(background->city(), local_);
  EXPECT_TRUE(background->lastBindAnimated());
  EXPECT_TRUE(background->hasGradientLayer());
}

TEST_F(LockScreen, PinsTheBackgroundToTheWindowOrigin) {
  auto view = request();
  const host::Point origin = view->convertPointToView({0, 0}, nullptr);
  ASSERT_NE(origin, (host::Point{0, 0}));
  EXPECT_EQ(lockBackground()->frame(), host::makeRect(-origin.x, -origin.y, 375, 667));

  process().shell().dateContainer()->setFrame(host::makeRect(30, 60, 375, 400));
  request();
  const host::Point moved = view->convertPointToView({0, 0}, nullptr);
  EXPECT_EQ(lockBackground()->frame().origin, (host::Point{-moved.x, -moved.y}));
}

TEST_F(LockScreen, RepeatedRequestsMakeNoNewViews) {
  settings().showTemperatureAndCondition = true;
  request();
  const auto first = state().weatherBackground;
  const auto controller = state().wthrView;
  const auto views = dateView()->subviews();
  ASSERT_NE(controller, nullptr);
  request();
  request();
  EXPECT_EQ(state().weatherBackground, first);
  EXPECT_EQ(state().wthrView, controller) << "no header controller made again";
  EXPECT_EQ(dateView()->subviews(), views);
  EXPECT_EQ(process().record().textsIn("view").front(),
            "made WUIDynamicWeatherBackground 1 with frame (0, 0, 375, 667)");
  EXPECT_EQ(process().record().textsIn("view").size(), 1u) << "one background made";
}

TEST_F(LockScreen, AdoptsABackgroundOfExactlyItsClassButNotASubclass) {
  auto view = request();
  for (const auto& subview : view->subviews()) subview->removeFromSuperview();
  state().weatherBackground.reset();
  auto subclassView = process().weather().backgroundSubclass()->make(host::makeRect(0, 0, 1, 1));
  auto exact = process().weather().backgroundClass()->make(host::makeRect(0, 0, 2, 2));
  view->addSubview(subclassView);
  view->addSubview(exact);

  request();
  EXPECT_EQ(state().weatherBackground, exact);
  EXPECT_EQ(view->subviews().size(), 2u) << "not added again, and no header controller made";
}

TEST_F(LockScreen, ReinsertsAHeldBackgroundThatWasTakenOut) {
  request();
  auto background = lockBackground();
  background->removeFromSuperview();
  request();
  EXPECT_EQ(state().weatherBackground, background);
  EXPECT_EQ(dateView()->subviews().front(), background);
}

TEST_F(LockScreen, HidesTimeAndSubtitleWithoutTouchingTheDateLine) {
  settings().hideTimeDate = true;
  request();
  EXPECT_TRUE(dateView()->timeLabelView()->isHidden());
  EXPECT_TRUE(dateView()->subtitleHidden());
  EXPECT_FALSE(dateView()->dateHidden());
}

struct ThrowingSubtitle {
  static constexpr host::Selector selector{"setSubtitleHidden:"};
  using Imp = void (*)(host::DateView&, host::Selector, bool);
};

TEST_F(LockScreen, OnlyThePlatformsExceptionIsSwallowedWhileHidingTheDate) {
  process().runtime().defineMethod<ThrowingSubtitle>(
      dateView()->objectClass(), [](host::DateView&, host::Selector, bool) {
        throw std::runtime_error("not the platform's");
      });
  settings().hideTimeDate = true;
  // The platform's exception derives from std::runtime_error: the one caught must not be it.
  try {
    request();
    ADD_FAILURE() << "the shell's own exception was swallowed";
  } catch (const host::PlatformException&) {
    ADD_FAILURE() << "a platform exception came out instead of the shell's own";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "not the platform's");
  }
}

TEST_F(LockScreen, HidesTheDateLineWhereTheSubtitleMethodIsMissing) {
  device().version().dateView.setSubtitleHidden = false;
  boot();
  settings().hideTimeDate = true;
  request();
  EXPECT_TRUE(dateView()->timeLabelView()->isHidden());
  EXPECT_TRUE(dateView()->dateHidden());
  EXPECT_NE(state().weatherBackground, nullptr) << "the request goes on";
}

TEST_F(LockScreen, SurvivesADateViewWithoutAnyOfItsMethods) {
  device().version().dateView = {false, false, false};
  boot();
  settings().hideTimeDate = true;
  settings().hideWithTime = true;
  request();
  ASSERT_NE(lockBackground(), nullptr);
  EXPECT_EQ(lockBackground()->alpha(), 1.0) << "no time label leaves the alpha alone";
}

TEST_F(LockScreen, AlphaFollowsTheTimeLabel) {
  settings().hideWithTime = true;
  request();
  dateView()->timeLabelView()->setAlpha(0.25);
  request();
  EXPECT_EQ(lockBackground()->alpha(), 0.25);
}

TEST_F(LockScreen, OwnWallpaperRemovesTheGradient) {
  settings().showOwnWallpaper = true;
  request();
  EXPECT_FALSE(lockBackground()->hasGradientLayer());
}

TEST_F(LockScreen, HeaderOnlyModeKeepsAnUnboundGradientlessBackground) {
  settings().enabled = false;
  settings().showTemperatureAndCondition = true;
  request();
  ASSERT_NE(lockBackground(), nullptr);
  EXPECT_EQ(lockBackground()->city(), nullptr);
  EXPECT_EQ(lockBackground()->bindCount(), 1u);
  EXPECT_FALSE(lockBackground()->hasGradientLayer());
  ASSERT_NE(state().wthrView, nullptr);
  EXPECT_EQ(dateView()->subviews().front(), state().wthrView->view());
}

TEST_F(LockScreen, HeaderControllersDoNotPileUpInTheDateViewWhileNoUpdateTakesTheHeader) {
  // No WAHourlyForecast: no completed update fills the header, so none takes it from its
  // controller, and every lock cycle inserts the background and makes a controller again.
  device().version().weatherClasses.hourlyForecast = false;
  boot();
  process().preferences().set(nimbrel::kPreferencesDomain, "showTemperatureAndCondition", true);
  loadDefaultSettings();
  request();
  const std::size_t subviews = dateView()->subviews().size();
  for (int cycle = 0; cycle < 5; ++cycle) {
    process().setDisplay(false);
    process().runLoop().advance(5);
    process().setDisplay(true);
    request();
  }
  EXPECT_EQ(dateView()->subviews().size(), subviews);
  ASSERT_NE(state().wthrView, nullptr);
  EXPECT_EQ(state().wthrView->view()->superview(), dateView());
}

struct RescaleCase {
  const char* label;
  host::Size screen, native;
  host::Size bounds;
  host::AffineTransform transform;
};

void PrintTo(const RescaleCase& c, std::ostream* out) { *out << c.label; }

class LockScreenRescale : public LockScreen, public ::testing::WithParamInterface<RescaleCase> {};

TEST_P(LockScreenRescale, MakesTheBackgroundAtHalfTheNativeSize) {
  const RescaleCase& c = GetParam();
  device().setProfile(sim::DeviceProfile{"custom", c.screen, c.native, 2});
  boot();
  settings().reScaleCompatibility = true;
  const host::Point origin = request()->convertPointToView({0, 0}, nullptr);
  ASSERT_NE(lockBackground(), nullptr);
  EXPECT_EQ(lockBackground()->bounds().size, c.bounds);
  EXPECT_EQ(lockBackground()->transform(), c.transform);
  // Scaled about its centre, the background would sit off the corner without the pin.
  EXPECT_EQ(lockBackground()->frame().origin, (host::Point{-origin.x, -origin.y}));
}

INSTANTIATE_TEST_SUITE_P(
    Screens, LockScreenRescale,
    ::testing::Values(RescaleCase{"ScaledToASmallerScreen",
                                  {320, 568},
                                  {750, 1334},
                                  {375, 667},
                                  host::AffineTransform::makeScale(320 / 375.0, 568 / 667.0)},
                      RescaleCase{"HeightsAgreeSoNoTransform",
                                  {375, 667},
                                  {750, 1334},
                                  {375, 667},
                                  host::AffineTransform::identity()},
                      RescaleCase{"ZeroNativeSizeGetsNoInfiniteScale",
                                  {375, 667},
                                  {0, 0},
                                  {0, 0},
                                  host::AffineTransform::identity()}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(LockScreen, RandomModeHoldsAPlaceholderAndStartsOneTimer) {
  settings().randomWeather = true;
  settings().updateInterval = 100;
  settings().customWeather = 5;
  request();
  settings().updateInterval = 30;
  request();
  ASSERT_NE(state().city, nullptr);
  EXPECT_NE(state().city, local_);
  EXPECT_EQ(state().city->location()->coordinate(), (host::Coordinate{1.0, 103.0}));
  EXPECT_NE(state().city->conditionCode(), 4) << "custom weather plays no part in random mode";
  const auto timers = process().runLoop().scheduledTimers();
  ASSERT_EQ(timers.size(), 1u);
  EXPECT_EQ(timers.front(), state().randomTimer);
  EXPECT_EQ(timers.front()->timeInterval(), 100) << "a running timer keeps its period";
  EXPECT_TRUE(timers.front()->repeats());
  EXPECT_EQ(timers.front()->target(), process().shell().dateViewController());
  EXPECT_EQ(timers.front()->selectorName(), "tickTock");
}

TEST_F(LockScreen, LaysTheHeaderOutOnlyWhileItsSettingIsOn) {
  settings().showTemperatureAndCondition = true;
  request();
  auto header = process().weather().platterClass()->make()->headerView();
  state().weatherHeaderView = header;
  settings().lockScreenHorizontalOffsetTemperatureCondition = 100;
  request();
  const host::Rect laidOut = header->frame();
  EXPECT_GT(laidOut.origin.x, 0);
  settings().showTemperatureAndCondition = false;
  settings().lockScreenHorizontalOffsetTemperatureCondition = 0;
  request();
  EXPECT_EQ(header->frame(), laidOut);
}

TEST_F(LockScreen, WithoutABackgroundTheHeaderIsStillLaidOutInAnEmptyOne) {
  device().setProfile(sim::DeviceProfile{"broken-native-size", {375, 667}, {750, NAN}, 2});
  boot();
  settings().reScaleCompatibility = true;
  settings().showTemperatureAndCondition = true;
  request();
  ASSERT_EQ(state().weatherBackground, nullptr) << "no finite frame, no background";
  auto header = process().weather().platterClass()->make()->headerView();
  state().weatherHeaderView = header;
  settings().lockScreenHorizontalOffsetTemperatureCondition = 100;
  settings().lockScreenVerticalOffsetTemperatureCondition = 100;
  const host::Rect label = header->temperatureLabel()->frame();
  const double width = label.origin.x + label.size.width;
  const double height = header->frame().size.height;
  request();
  EXPECT_EQ(
      header->frame(),
      process().viewClasses().makeView(host::makeRect(-width, -height, width, height))->frame());
}

TEST_F(LockScreen, RandomTimerTicksRedrawAndRebind) {
  settings().randomWeather = true;
  settings().updateInterval = 100;
  request();
  const std::size_t binds = lockBackground()->bindCount();
  advance(100);
  EXPECT_GT(lockBackground()->bindCount(), binds);
}

TEST_F(LockScreen, RandomTimerIntervalIsAtLeastASecond) {
  settings().randomWeather = true;
  for (int interval : {0, -5}) {
    nimbrel::stopRandomTimer();
    settings().updateInterval = interval;
    request();
    ASSERT_NE(state().randomTimer, nullptr);
    EXPECT_EQ(state().randomTimer->timeInterval(), 1.0) << interval;
  }
}

TEST_F(LockScreen, LockAndUnlockRandomModeMakesNoTimer) {
  settings().randomWeather = true;
  settings().randomWeatherUnLock = true;
  request();
  EXPECT_NE(state().city, nullptr);
  EXPECT_EQ(state().randomTimer, nullptr);
  EXPECT_TRUE(process().runLoop().scheduledTimers().empty());
}

TEST_F(LockScreen, CustomWeatherShowsItsConditionAtNightOnEveryRequest) {
  settings().customWeather = 5;
  request();
  EXPECT_EQ(state().city->location()->coordinate(), (host::Coordinate{50.0, 10.0}));
  EXPECT_EQ(lockBackground()->drawnCondition(), 4);
  EXPECT_EQ(lockBackground()->drawnIsDay(), false);
  state().city->setIsDay(true);
  state().city->setConditionCode(9);
  request();
  EXPECT_EQ(lockBackground()->drawnCondition(), 4);
  EXPECT_EQ(lockBackground()->drawnIsDay(), false);

  state().city = local_;  // as a completed update leaves it
  request();
  EXPECT_EQ(state().city, local_) << "the placeholder stands in only while there is no city";
  EXPECT_EQ(local_->conditionCode(), 4);
}

TEST_F(LockScreen, WithoutTheCityClassNeitherModeHasAPlaceholderUntilItsFrameworkLoads) {
  struct Case {
    const char* mode;
    bool random;
    bool late;  // not yet loaded rather than absent
  };
  for (const Case& c : {Case{"random", true, false}, Case{"custom", false, false},
                        Case{"random", true, true}, Case{"custom", false, true}}) {
    (c.late ? device().version().lateClasses : device().version().absentClasses) = {"City"};
    boot();
    settings().randomWeather = c.random;
    settings().customWeather = 5;
    const std::int64_t localCondition = local_->conditionCode();
    request();
    EXPECT_EQ(state().city, local_) << c.mode << ": the Weather app's city stands in";
    EXPECT_EQ(local_->conditionCode(), localCondition) << c.mode;
    if (c.late) {
      process().loadLateFrameworks();
      state().city.reset();
      request();
      ASSERT_NE(state().city, nullptr) << c.mode;
      EXPECT_NE(state().city, local_) << c.mode << ": a placeholder once City has loaded";
    }
    device().version().absentClasses.clear();
    device().version().lateClasses.clear();
  }
}

TEST_F(LockScreen, NoCityEndsTheRequestAfterTheWarning) {
  process().weather().preferences()->setLocalCity(nullptr, sim::LocalCityAvailability::none);
  auto view = request();
  EXPECT_EQ(alertTitles(), std::vector<std::string>{"No local city available"});
  EXPECT_EQ(state().weatherBackground, nullptr);
  EXPECT_EQ(view, dateView());
}

TEST_F(LockScreen, RefreshEndingTheRequestSkipsPinningUntilTheNextCall) {
  settings().useLocalCity = false;
  settings().customWeather = 3;  // a city without saved cities
  settings().hideWithTime = true;
  settings().showOwnWallpaper = true;
  dateView()->timeLabelView()->setAlpha(0.5);
  request();
  auto background = lockBackground();
  ASSERT_NE(background, nullptr);
  EXPECT_EQ(background->frame().origin, (host::Point{0, 0})) << "not pinned";
  EXPECT_EQ(background->alpha(), 1.0);
  EXPECT_TRUE(background->hasGradientLayer());
  EXPECT_EQ(alertTitles(), std::vector<std::string>{"No weather cities"});
  EXPECT_EQ(process().alerts().visibleAlerts().front()->delegate(), controller());

  setSavedCities({cityData("Brussels", 50.85, 4.35)});
  request();
  EXPECT_NE(background->frame().origin, (host::Point{0, 0}));
  EXPECT_EQ(background->alpha(), 0.5);
  EXPECT_FALSE(background->hasGradientLayer());
}

TEST_F(LockScreen, WithoutTheBackgroundClassTheWeatherIsStillRefreshedButNoControllerMade) {
  device().version().weatherClasses.dynamicWeatherBackground = false;
  boot();
  createCacheFolder();
  settings().showTemperatureAndCondition = true;
  const std::size_t subviews = dateView()->subviews().size();
  EXPECT_EQ(request(), dateView());
  // Before the completion, which would take a controller's header and its view with it.
  EXPECT_EQ(state().wthrView, nullptr);
  EXPECT_EQ(dateView()->subviews().size(), subviews);
  advance(2);
  EXPECT_EQ(addonTrace(), (std::vector<std::string>{
                              "weather: requested for Cupertino at (48.85, 2.35)",
                              "weather: completed for Cupertino at (48.85, 2.35): condition 26 "
                              "day 18°C",
                          }));
  EXPECT_EQ(nimbrel::readCachedCoordinate(), (host::Coordinate{48.85, 2.35}));
  EXPECT_EQ(state().weatherHeaderView, nullptr);

  settings().useLocalCity = false;
  state().lastUpdate.reset();
  request();
  EXPECT_EQ(alertTitles(), std::vector<std::string>{"No weather cities"});
}

TEST_F(LockScreen, OneLockCycleInOrder) {
  settings().showTemperatureAndCondition = true;
  process().weather().updater()->setDelay(2);
  auto& notify = process().darwinNotifyCenter();
  notify.post("com.apple.springboard.lockcomplete");
  process().setDisplay(true);
  request();
  advance(2);  // the weather arrives
  process().setDisplay(false);
  process().runLoop().runUntilIdle();
  process().setDisplay(true);
  request();
  process().shell().finishUnlock(1, nullptr);
  EXPECT_EQ(addonTrace(),
            (std::vector<std::string>{
                "view: made WUIDynamicWeatherBackground 1 with frame (0, 0, 375, 667)",
                "bind: background 1 bound to Cupertino (condition 0, night), animated",
                "weather: requested for Cupertino at (48.85, 2.35)",
                // The update changes the bound city itself: its background redraws at once.
                "bind: background 1 redrawn for Cupertino (condition 26, night)",
                "bind: background 1 redrawn for Cupertino (condition 26, day)",
                "weather: completed for Cupertino at (48.85, 2.35): condition 26 day 18°C",
                "bind: background 1 bound to Cupertino (condition 26, day), animated",
                // Display off: out of the window still bound, then unbound.
                "view: background 1 left its window, bound to Cupertino (condition 26, day)",
                "bind: background 1 unbound, not animated",
                "bind: background 1 bound to Cupertino (condition 26, day), animated",
                // The unlock takes it out of the window and leaves it bound.
                "view: background 1 left its window, bound to Cupertino (condition 26, day)",
            }));
  EXPECT_FALSE(state().screenLocked);
  EXPECT_EQ(lockBackground()->superview(), nullptr);
  EXPECT_NE(state().weatherHeaderView, nullptr);
}

}  // namespace
