// A simulated process on a device: what a respring keeps and what it does not.
#include "sim/process/process.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

class ProcessOnDevice : public ::testing::Test {
 protected:
  std::unique_ptr<sim::Process> respring() {
    process_.reset();
    return std::make_unique<sim::Process>(device_);
  }
  sim::TemporaryDevice device_;
  std::unique_ptr<sim::Process> process_ = std::make_unique<sim::Process>(device_);
};

TEST_F(ProcessOnDevice, TheWeatherAppsSavedCitiesAndUnitSurviveARespring) {
  auto* preferences = process_->weather().preferencesClass();
  preferences->setSavedCities({host::Dictionary{{"Name", "Brussels"}}});
  preferences->shared()->setCelsius(false);
  process_->saveWeatherDefaults();

  process_ = respring();
  auto* restored = process_->weather().preferencesClass();
  const auto cities = restored->userDefaultsObjectForKey("Cities");
  ASSERT_TRUE(cities.has_value());
  ASSERT_EQ(cities->get<host::Array>()->size(), 1u);
  EXPECT_FALSE(restored->shared()->isCelsius());
}

TEST_F(ProcessOnDevice, VirtualTimeCarriesOnAcrossARespring) {
  const double start = process_->runLoop().seconds();
  process_->runLoop().advance(90);
  process_ = respring();
  EXPECT_DOUBLE_EQ(process_->runLoop().seconds(), start + 90);
}

TEST_F(ProcessOnDevice, IsTheCurrentPlatformForItsLifetimeOnly) {
  EXPECT_EQ(sim::Process::current(), process_.get());
  EXPECT_EQ(&host::platform(), process_.get());
  EXPECT_THROW(sim::Process second(device_), std::logic_error);
  process_.reset();
  EXPECT_EQ(sim::Process::current(), nullptr);
  EXPECT_THROW(host::platform(), std::logic_error);
}

TEST_F(ProcessOnDevice, TheDisplayStartsOnAndSettingItPostsTheNotification) {
  std::uint64_t state = 7;
  int token = host::notify::tokenInvalid;
  auto& notify = process_->notifyState();
  ASSERT_EQ(notify.registerCheck(sim::kDisplayStatusName, &token), host::notify::ok);
  ASSERT_EQ(notify.getState(token, &state), host::notify::ok);
  EXPECT_EQ(state, 1u);
  process_->setDisplay(false);
  ASSERT_EQ(notify.getState(token, &state), host::notify::ok);
  EXPECT_EQ(state, 0u);
  notify.cancel(token);
  EXPECT_EQ(process_->runLoop().pendingCount(), 1u) << "the display-status delivery is queued";
}

TEST_F(ProcessOnDevice, AfterARespringInLandscapeEveryPartOfTheNewShellIsLandscape) {
  process_->rotate(sim::Orientation::landscape);
  process_ = respring();

  const host::Rect screen = process_->mainScreen().bounds();
  ASSERT_GT(screen.size.width, screen.size.height) << "the screen stays landscape";
  sim::Shell& shell = process_->shell();
  EXPECT_TRUE(shell.isLandscape());
  EXPECT_EQ(shell.wallpaperWindow()->frame().size, screen.size);
  for (std::size_t i = 0; i < shell.wallpaperViewCount(); ++i) {
    EXPECT_EQ(shell.wallpaperView(i)->frame().size, screen.size) << i;
    EXPECT_EQ(shell.hostView(i)->frame().size, screen.size) << i;
  }
  EXPECT_EQ(shell.lockScreenWindow()->frame().size, screen.size);
  EXPECT_EQ(shell.dateContainer()->frame().size.width, screen.size.width);
}

TEST_F(ProcessOnDevice, ARespringInPortraitAfterTurningBackStartsPortrait) {
  process_->rotate(sim::Orientation::landscape);
  process_->rotate(sim::Orientation::portrait);
  process_ = respring();
  const host::Rect screen = process_->mainScreen().bounds();
  EXPECT_LT(screen.size.width, screen.size.height);
  EXPECT_FALSE(process_->shell().isLandscape());
  EXPECT_EQ(process_->shell().wallpaperWindow()->frame().size, screen.size);
}

TEST_F(ProcessOnDevice, WhiteColorIsOneSharedObjectPerProcess) {
  auto first = process_->factory().whiteColor();
  EXPECT_EQ(process_->factory().whiteColor(), first);
  EXPECT_EQ(sim::colorName(first.get()), "white");
  std::weak_ptr<host::Color> old = first;
  first.reset();
  process_ = respring();
  EXPECT_TRUE(old.expired()) << "a new process has a colour of its own";
  EXPECT_EQ(sim::colorName(process_->factory().whiteColor().get()), "white");
}

// What each of the factory's makers answers: whether it made an object.
std::vector<bool> madeByFactory(host::Factory& factory) {
  return {factory.newCity() != nullptr, factory.newCity(host::Dictionary{}) != nullptr,
          factory.newLocation(1, 2) != nullptr, factory.whiteColor() != nullptr};
}

TEST_F(ProcessOnDevice, FactoriesMakeNothingOfAClassThatIsAbsentOrNotYetLoaded) {
  const std::vector<bool> all{true, true, true, true};
  EXPECT_EQ(madeByFactory(process_->factory()), all);
  struct Case {
    const char* name;
    std::vector<bool> made;  // City, City from a dictionary, CLLocation, UIColor
  };
  for (const Case& c :
       {Case{"City", {false, false, true, true}}, Case{"CLLocation", {true, true, false, true}},
        Case{"UIColor", {true, true, true, false}}}) {
    device_.version().absentClasses = {c.name};
    process_ = respring();
    EXPECT_EQ(madeByFactory(process_->factory()), c.made) << c.name << " absent";
    process_->loadLateFrameworks();
    EXPECT_EQ(madeByFactory(process_->factory()), c.made) << c.name << " absent stays absent";

    device_.version().absentClasses.clear();
    device_.version().lateClasses = {c.name};
    process_ = respring();
    EXPECT_EQ(madeByFactory(process_->factory()), c.made) << c.name << " before its framework";
    process_->loadLateFrameworks();
    EXPECT_EQ(madeByFactory(process_->factory()), all) << c.name << " once loaded";
    device_.version().lateClasses.clear();
  }
}

TEST_F(ProcessOnDevice, AResetHidesTheLateClassesAgainUntilTheirFrameworksLoad) {
  device_.version().lateClasses = {"WAWeatherPlatterViewController"};
  process_ = respring();
  process_->loadLateFrameworks();
  ASSERT_TRUE(process_->runtime().classExists("WAWeatherPlatterViewController"));
  process_->reset({});
  EXPECT_FALSE(process_->runtime().classExists("WAWeatherPlatterViewController"));
  process_->loadLateFrameworks();
  EXPECT_TRUE(process_->runtime().classExists("WAWeatherPlatterViewController"));
}

}  // namespace
