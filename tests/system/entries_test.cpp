// Where the platform calls the add-on with nothing of the shell's above it (the timer, the
// Darwin observers, the weather update's completion): a platform exception raised inside is
// caught, logged with its class, name and reason, and the next call goes on as before.
#include <gtest/gtest.h>

#include <functional>

#include "events/lock_events.h"
#include "startup/install_hooks.h"
#include "startup/load_settings.h"
#include "state/weather_refresh.h"
#include "tests/system/shell_fixture.h"

namespace {

using nimbrel::state;

// Public, for the cases' functions.
class Entries : public ShellFixture {
 public:
  Entries() { nimbrel::installHooks(); }
  using ShellFixture::process;

  std::shared_ptr<sim::SimWeatherBackground> lockScreenBackground() {
    auto made = backgrounds().make(host::makeRect(0, 0, 375, 667));
    process().shell().dateContainer()->addSubview(made);
    state().weatherBackground = made;
    return made;
  }
  sim::WeatherBackgroundClassImpl& backgrounds() { return *process().weather().backgroundClass(); }
  void post(const char* name) {
    process().darwinNotifyCenter().post(name);
    process().runLoop().runUntilIdle();
  }
  std::vector<std::string> logged() { return process().record().textsIn("log"); }
};

struct EntryCase {
  const char* label;
  // Sets the add-on's state so that the entry binds or unbinds the background it answers.
  std::function<std::shared_ptr<sim::SimWeatherBackground>(Entries&)> arrange;
  std::function<void(Entries&)> call;
  const char* entry;
  // What the background holds once the raising call is over, and after the next call.
  bool boundAfterRaise, boundAfterNext;
};

void PrintTo(const EntryCase& c, std::ostream* out) { *out << c.label; }

class EachEntry : public Entries, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(EachEntry, CatchesAndLogsAPlatformExceptionAndTheNextCallGoesOn) {
  const EntryCase& entry = GetParam();
  std::shared_ptr<sim::SimWeatherBackground> background = entry.arrange(*this);
  backgrounds().raiseAtNextBind();
  EXPECT_NO_THROW(entry.call(*this));
  EXPECT_EQ(logged(), std::vector<std::string>{"Nimbrel: caught NSException "
                                               "NSInternalInconsistencyException in " +
                                               std::string(entry.entry) +
                                               ": The background cannot bind now"});
  EXPECT_EQ(background->city() != nullptr, entry.boundAfterRaise);

  entry.call(*this);
  EXPECT_EQ(logged().size(), 1u);
  EXPECT_EQ(background->city() != nullptr, entry.boundAfterNext);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, EachEntry,
    ::testing::Values(
        EntryCase{"TheRandomWeatherTimer",
                  [](Entries& t) {
                    state().settings.randomWeather = true;
                    state().city = t.process().factory().newCity();
                    // Fired by the run loop, as scheduled for the controller the add-on built.
                    t.process().runLoop().scheduledTimer(
                        100, t.process().shell().dateViewController(),
                        host::methods::TickTock::selector, nullptr, true);
                    return t.lockScreenBackground();
                  },
                  [](Entries& t) { t.process().runLoop().advance(100); }, "-tickTock", false, true},
        EntryCase{"TheLockCompleteObserver",
                  [](Entries& t) {
                    state().settings.randomWeather = state().settings.randomWeatherUnLock = true;
                    state().city = t.process().factory().newCity();
                    return t.lockScreenBackground();
                  },
                  [](Entries& t) { t.post(nimbrel::kLockCompleteNotification); },
                  "com.apple.springboard.lockcomplete", false, true},
        EntryCase{"TheDisplayStatusObserver",
                  [](Entries& t) {
                    auto background = t.lockScreenBackground();
                    background->setCity(t.process().factory().newCity(), true);
                    t.process().notifyState().setState(sim::kDisplayStatusName, 0);
                    return background;
                  },
                  [](Entries& t) { t.post(nimbrel::kDisplayStatusNotification); },
                  "com.apple.iokit.hid.displayStatus", true, false},
        EntryCase{"TheSettingsObserver",
                  [](Entries& t) {
                    auto background = t.lockScreenBackground();
                    background->setCity(t.process().factory().newCity(), true);
                    state().settings.homescreenBackground = true;
                    state().homeScreenViews = nimbrel::BackgroundList{background};
                    t.process().preferences().set(nimbrel::kPreferencesDomain,
                                                  "homescreenBackground", false);
                    return background;
                  },
                  [](Entries& t) { t.post(nimbrel::kSettingsChangedNotification); },
                  "be.quorvane.nimbrel/preferences.changed", true, false},
        EntryCase{
            "TheWeatherUpdatesCompletion",
            [](Entries& t) {
              state().settings.enabled = true;
              return t.lockScreenBackground();
            },
            [](Entries& t) { nimbrel::onWeatherUpdated(t.process().factory().newCity(), nullptr); },
            "the weather update's completion", false, true}),
    [](const auto& info) { return std::string(info.param.label); });

// What the entry did before the raise stays done: the lock is noted and the completion's city
// taken, so that the next call starts from there.
TEST_F(Entries, WhatAnEntryDidBeforeTheRaiseIsKept) {
  state().settings.enabled = true;
  lockScreenBackground();
  backgrounds().raiseAtNextBind();
  auto updated = process().factory().newCity();
  nimbrel::onWeatherUpdated(updated, nullptr);
  EXPECT_EQ(state().city, updated);
  EXPECT_NE(state().backupCity, nullptr);

  state().settings.randomWeather = state().settings.randomWeatherUnLock = true;
  backgrounds().raiseAtNextBind();
  post(nimbrel::kLockCompleteNotification);
  EXPECT_TRUE(state().screenLocked);
  EXPECT_EQ(logged().size(), 2u);
}

// Only the platform's exceptions are caught: the simulation's refusal of a draw no
// arc4random_uniform could answer still stops the run.
TEST_F(Entries, AnythingButAPlatformExceptionGoesOn) {
  state().settings.randomWeather = true;
  state().city = process().factory().newCity();
  lockScreenBackground();
  process().runLoop().scheduledTimer(100, process().shell().dateViewController(),
                                     host::methods::TickTock::selector, nullptr, true);
  process().random().scriptNext({48});
  EXPECT_THROW(process().runLoop().advance(100), std::invalid_argument);
  EXPECT_TRUE(logged().empty());
}

}  // namespace
