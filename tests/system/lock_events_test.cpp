// The lock cycle: lock complete, display off, unlock, and random weather drawn at them.
#include "events/lock_events.h"

#include <gtest/gtest.h>

#include <deque>

#include "state/random_weather.h"
#include "tests/system/shell_fixture.h"

namespace {

using nimbrel::state;

class LockEvents : public ShellFixture {
 protected:
  std::shared_ptr<sim::SimWeatherBackground> background(const std::shared_ptr<host::View>& into) {
    auto made = process().weather().backgroundClass()->make(host::makeRect(0, 0, 320, 568));
    if (into) into->addSubview(made);
    return made;
  }
  std::shared_ptr<host::View> homeHost() {
    return process().shell().hostView(sim::Shell::homeScreenWallpaper);
  }
  void lockComplete(const char* name = nimbrel::kLockCompleteNotification) {
    nimbrel::onLockComplete(nullptr, nullptr, name, nullptr, nullptr);
  }
  void displayStatus() { nimbrel::onDisplayStatus(nullptr, nullptr, nullptr, nullptr, nullptr); }
  void removeEveryAsset() {
    for (int condition = 0; condition < 48; ++condition)
      for (bool day : {false, true})
        process().weather().assetLoader()->catalog().set(condition, day, std::nullopt);
  }
  std::shared_ptr<host::Timer> scheduleTimer() {
    return process().runLoop().scheduledTimer(100, nullptr, host::methods::TickTock::selector,
                                              nullptr, true);
  }
};

TEST_F(LockEvents, LockCompleteWithAnotherNameDoesNothing) {
  lockComplete("com.apple.springboard.lockstate");
  lockComplete(nullptr);
  EXPECT_FALSE(state().screenLocked);
}

TEST_F(LockEvents, LockCompleteTakesEveryHomeScreenBackgroundDown) {
  auto first = background(homeHost());
  auto second = background(homeHost());
  state().city = process().factory().newCity();
  state().homeScreenViews = nimbrel::BackgroundList{first, second};
  state().weatherView = second;
  for (const auto& view : {first, second}) view->setCity(state().city, true);

  lockComplete();
  EXPECT_TRUE(state().screenLocked);
  for (const auto& view : {first, second}) {
    EXPECT_EQ(view->superview(), nullptr);
    EXPECT_EQ(view->city(), nullptr);
    EXPECT_FALSE(view->lastBindAnimated());
  }
  EXPECT_FALSE(state().homeScreenViews.has_value());
  EXPECT_EQ(state().weatherView, nullptr);
}

TEST_F(LockEvents, LockWithBothRandomSettingsDrawsAConditionWithAnAssetAndBindsTheLockScreen) {
  state().settings.randomWeather = state().settings.randomWeatherUnLock = true;
  state().city = process().factory().newCity();
  auto lockBackground = background(nullptr);
  state().weatherBackground = lockBackground;
  lockComplete();
  EXPECT_EQ(lockBackground->city(), state().city);
  EXPECT_TRUE(lockBackground->lastBindAnimated());
  EXPECT_TRUE(process().weather().assetLoader()->catalog().filename(state().city->conditionCode(),
                                                                    state().city->isDay()));
}

TEST_F(LockEvents, LockWithTimerModeRandomDrawsNothing) {
  state().settings.randomWeather = true;
  state().city = process().factory().newCity();
  state().city->setConditionCode(31);
  auto lockBackground = background(nullptr);
  state().weatherBackground = lockBackground;
  lockComplete();
  EXPECT_EQ(state().city->conditionCode(), 31);
  EXPECT_EQ(lockBackground->bindCount(), 0u);
}

TEST_F(LockEvents, DisplayOffDetachesUnbindsAndStopsTheRandomTimer) {
  state().settings.randomWeather = true;
  state().city = process().factory().newCity();
  auto lockBackground = background(process().shell().dateContainer());
  lockBackground->setCity(state().city, true);
  state().weatherBackground = lockBackground;
  auto timer = scheduleTimer();
  state().randomTimer = timer;

  process().notifyState().setState(sim::kDisplayStatusName, 0);
  displayStatus();
  EXPECT_EQ(lockBackground->superview(), nullptr);
  EXPECT_EQ(lockBackground->city(), nullptr);
  EXPECT_EQ(state().weatherBackground, lockBackground) << "the field keeps the view";
  EXPECT_FALSE(timer->isValid());
  EXPECT_EQ(state().randomTimer, nullptr);
  EXPECT_EQ(process().notifyState().liveTokens(), 0u) << "no token outlives the call";
}

TEST_F(LockEvents, DisplayOffWithoutRandomWeatherLeavesTheTimer) {
  auto timer = scheduleTimer();
  state().randomTimer = timer;
  process().notifyState().setState(sim::kDisplayStatusName, 0);
  displayStatus();
  EXPECT_TRUE(timer->isValid());
  EXPECT_EQ(state().randomTimer, timer);
}

TEST_F(LockEvents, DisplayOnOrUnreadableChangesNothing) {
  auto lockBackground = background(process().shell().dateContainer());
  state().weatherBackground = lockBackground;
  // On: the process starts with the display on.
  displayStatus();
  process().notifyState().setState(sim::kDisplayStatusName, 0);
  process().notifyState().failNextRegister(host::notify::serverNotFound);
  displayStatus();
  process().notifyState().failNextGetState(host::notify::failed);
  displayStatus();
  EXPECT_NE(lockBackground->superview(), nullptr);
  EXPECT_EQ(process().notifyState().liveTokens(), 0u);
}

bool lockedWhenTheShellFinished = true;
long sourceTheShellSaw = -1;
host::Id receiverTheShellSaw;
host::Id optionsTheShellSaw;
void recordingUnlock(const host::Id& self, host::Selector, long source, const host::Id& options) {
  lockedWhenTheShellFinished = state().screenLocked;
  sourceTheShellSaw = source;
  receiverTheShellSaw = self;
  optionsTheShellSaw = options;
}

TEST_F(LockEvents, UnlockDetachesTheLockScreenBackgroundAndThenLetsTheShellFinish) {
  state().screenLocked = true;
  state().city = process().factory().newCity();
  auto lockBackground = background(process().shell().dateContainer());
  lockBackground->setCity(state().city, true);
  state().weatherBackground = lockBackground;
  state().previous.finishUIUnlock = recordingUnlock;

  // Any two distinct objects stand in for the lock-screen manager and the unlock's options.
  const host::Id manager = process().factory().newCity();
  const host::Id options = process().factory().newCity();
  nimbrel::finishUIUnlock(manager, host::methods::FinishUIUnlock::selector, 7, options);
  EXPECT_EQ(lockBackground->superview(), nullptr);
  EXPECT_EQ(lockBackground->city(), state().city) << "detached, still bound";
  EXPECT_FALSE(state().screenLocked);
  EXPECT_FALSE(lockedWhenTheShellFinished);
  EXPECT_EQ(sourceTheShellSaw, 7);
  EXPECT_EQ(receiverTheShellSaw, manager);
  EXPECT_EQ(optionsTheShellSaw, options);
  receiverTheShellSaw = optionsTheShellSaw = nullptr;
}

// Random weather at unlock needs both settings: random alone draws on its timer instead.
TEST_F(LockEvents, UnlockRedrawsAndRebindsOnlyTheHomeScreenWhenBothRandomSettingsAreOn) {
  struct Case {
    bool randomWeather, randomWeatherUnLock, rebinds;
  };
  for (const Case c :
       {Case{true, true, true}, Case{true, false, false}, Case{false, true, false}}) {
    SCOPED_TRACE(testing::Message()
                 << "random " << c.randomWeather << ", at unlock " << c.randomWeatherUnLock);
    state().settings.randomWeather = c.randomWeather;
    state().settings.randomWeatherUnLock = c.randomWeatherUnLock;
    state().city = process().factory().newCity();
    auto lockBackground = background(nullptr);
    auto homeBackground = background(homeHost());
    state().weatherBackground = lockBackground;
    state().homeScreenViews = nimbrel::BackgroundList{homeBackground};
    nimbrel::finishUIUnlock(nullptr, host::methods::FinishUIUnlock::selector, 0, nullptr);
    EXPECT_EQ(lockBackground->bindCount(), 0u);
    EXPECT_EQ(homeBackground->bindCount(), c.rebinds ? 1u : 0u);
    EXPECT_EQ(homeBackground->city(), c.rebinds ? state().city : nullptr);
  }
}

class RandomWeather : public LockEvents {};

TEST_F(RandomWeather, ADrawSucceedsExactlyWhenTheDrawnConditionHasAnAssetAndDayIsAFairCoin) {
  state().city = process().factory().newCity();
  auto& catalog = process().weather().assetLoader()->catalog();
  constexpr int draws = 400;
  int days = 0;
  for (int draw = 0; draw < draws; ++draw) {
    const bool succeeded = nimbrel::drawRandomWeather();
    const auto code = state().city->conditionCode();
    ASSERT_GE(code, 0);
    ASSERT_LT(code, 48);
    EXPECT_EQ(succeeded, catalog.filename(code, state().city->isDay()).has_value());
    days += state().city->isDay() ? 1 : 0;
  }
  // The seeded draws are the same every run; a fair coin lands within four standard
  // deviations (10 here) of half, a coin of one in three (133 expected) does not.
  EXPECT_GT(days, draws / 2 - 40);
  EXPECT_LT(days, draws / 2 + 40);
}

TEST_F(RandomWeather, WithNoAssetAtAllPickingGivesUpAfterAThousandDrawsInsteadOfHanging) {
  state().city = process().factory().newCity();
  removeEveryAsset();
  // Each draw takes two numbers: a condition and a day flag.
  process().random().scriptNext(std::vector<std::uint32_t>(2 * 1000 + 2, 1));
  nimbrel::pickRandomWeather();
  EXPECT_EQ(process().random().scripted().size(), 2u);
  EXPECT_FALSE(nimbrel::drawRandomWeather());
}

// A thousand identical questions would cost the shell's interface thread for nothing.
TEST_F(RandomWeather, WithoutACityPickingAsksOnceForEveryAttemptWouldAskTheSame) {
  state().city = nullptr;
  removeEveryAsset();
  process().random().scriptNext({7, 1, 20, 0});
  nimbrel::pickRandomWeather();
  EXPECT_EQ(process().random().scripted(), (std::deque<std::uint32_t>{20, 0}));
  EXPECT_EQ(state().city, nullptr);
}

TEST_F(RandomWeather, TickRebindsEveryBackgroundOnlyWhenTheDrawSucceeds) {
  state().city = process().factory().newCity();
  auto lockBackground = background(nullptr);
  auto homeBackground = background(homeHost());
  state().weatherBackground = lockBackground;
  state().homeScreenViews = nimbrel::BackgroundList{homeBackground};
  removeEveryAsset();
  nimbrel::tickTock(nullptr, host::methods::TickTock::selector);
  EXPECT_EQ(lockBackground->bindCount() + homeBackground->bindCount(), 0u);

  process().weather().assetLoader()->catalog().set(state().city->conditionCode(),
                                                   state().city->isDay(), "x@2x-667h");
  // Draw until the one condition with an asset comes up.
  for (int tick = 0; tick < 2000 && lockBackground->bindCount() == 0; ++tick)
    nimbrel::tickTock(nullptr, host::methods::TickTock::selector);
  EXPECT_EQ(lockBackground->bindCount(), 1u);
  EXPECT_EQ(homeBackground->bindCount(), 1u);
  EXPECT_EQ(homeBackground->city(), state().city);
  const auto binds = process().record().textsIn("bind");
  ASSERT_EQ(binds.size(), 2u);
  EXPECT_EQ(binds[0].rfind("background 1 ", 0), 0u) << "the lock screen first: " << binds[0];
  EXPECT_EQ(binds[1].rfind("background 2 ", 0), 0u) << binds[1];
}

TEST_F(RandomWeather, WithoutACityTheDrawAsksForConditionZeroAtNight) {
  auto lockBackground = background(nullptr);
  state().weatherBackground = lockBackground;
  removeEveryAsset();
  process().weather().assetLoader()->catalog().set(0, false, "zero-night@2x-667h");
  nimbrel::tickTock(nullptr, host::methods::TickTock::selector);
  EXPECT_EQ(lockBackground->bindCount(), 1u);
  EXPECT_EQ(lockBackground->city(), nullptr);
}

}  // namespace
