// The add-on loaded as the hook engine loads it: a real shared library mapped into a simulated
// process beside its filter file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "sim/process/process.h"
#include "state/shared_state.h"

namespace {

class AddonLoading : public ::testing::Test {
 protected:
  AddonLoading() { device_.installAddons(NIMBREL_STAGED_ADDONS); }

  sim::Process& launch(sim::LaunchOptions options = {}) {
    process_.reset();
    process_ = std::make_unique<sim::Process>(device_, std::move(options));
    process_->loadAddons();
    return *process_;
  }

  template <class T>
  T& exported(const char* name) {
    EXPECT_EQ(process_->addons().size(), 1u);
    void* address = process_->addons().at(0).symbol(name);
    EXPECT_NE(address, nullptr) << name;
    return *static_cast<T*>(address);
  }

  sim::TemporaryDevice device_;
  std::unique_ptr<sim::Process> process_;
};

TEST_F(AddonLoading, TheShellLoadsItAndItInstallsItself) {
  sim::Process& shell = launch();
  ASSERT_EQ(shell.addons().size(), 1u);
  EXPECT_EQ(shell.record().textsIn("observer").size(), 3u);
  EXPECT_THAT(shell.record().textsIn("hook"),
              ::testing::Contains("replaced -[SBFStaticWallpaperView layoutSubviews]"));
  EXPECT_THAT(shell.record().textsIn("preferences"),
              ::testing::ElementsAre("no key list for be.quorvane.nimbrel"));
}

TEST_F(AddonLoading, ReplacementsCallThePreviousImplementationsSavedAtLoad) {
  sim::Process& shell = launch();
  shell.record().clear();
  EXPECT_TRUE(shell.shell().askAllowsParallax());
  shell.shell().layoutWallpaper();
  EXPECT_EQ(shell.record().textsIn("original").size(), shell.shell().wallpaperViewCount() + 2);
}

TEST_F(AddonLoading, ExportsTheNineStateFieldsByName) {
  launch();
  for (const char* name : {"weatherView", "city", "backupCity", "lastUpdate", "weatherBackground",
                           "randomTimer", "wthrView", "weatherHeaderView", "alertShown"})
    EXPECT_NE(process_->addons().at(0).symbol(name), nullptr) << name;
  EXPECT_EQ(process_->addons().at(0).symbol("installHooks"), nullptr);
}

TEST_F(AddonLoading, AnotherProcessDoesNotLoadIt) {
  sim::Process& daemon = launch(
      {.arguments = {"/usr/libexec/backboardd"}, .bundleIdentifier = "com.apple.backboardd"});
  EXPECT_TRUE(daemon.addons().empty());
  EXPECT_THAT(daemon.record().textsIn("loader"),
              ::testing::ElementsAre("skipped Nimbrel (filter does not match)"));
  EXPECT_TRUE(daemon.record().textsIn("hook").empty());
}

TEST_F(AddonLoading, LoadedIntoAProcessNotNamedSpringBoardItDoesNothing) {
  sim::Process& impostor = launch({.arguments = {"/usr/bin/SpringBoardHelper"}});
  ASSERT_EQ(impostor.addons().size(), 1u);
  EXPECT_TRUE(impostor.record().textsIn("observer").empty());
  EXPECT_TRUE(impostor.record().textsIn("hook").empty());
  EXPECT_TRUE(impostor.record().textsIn("preferences").empty());
}

TEST_F(AddonLoading, ARespringStartsFromFreshStateWhileFilesSurvive) {
  launch();
  exported<bool>("alertShown") = true;
  exported<std::optional<host::Date>>("lastUpdate") = host::Date{5};
  process_->preferences().set("be.quorvane.nimbrel", "updateInterval", 30);

  launch();
  EXPECT_FALSE(exported<bool>("alertShown"));
  EXPECT_FALSE(exported<std::optional<host::Date>>("lastUpdate").has_value());
  EXPECT_THAT(process_->record().textsIn("preferences"),
              ::testing::ElementsAre("key list of be.quorvane.nimbrel (1 keys)",
                                     "values of be.quorvane.nimbrel (1 keys)"));
}

TEST_F(AddonLoading, SettingsNotificationReachesTheLoadedLibrary) {
  launch();
  process_->record().clear();
  process_->preferences().set("be.quorvane.nimbrel", "enabled", false);
  process_->darwinNotifyCenter().post("be.quorvane.nimbrel/preferences.changed");
  process_->runLoop().runUntilIdle();
  EXPECT_THAT(process_->record().textsIn("preferences"),
              ::testing::ElementsAre("key list of be.quorvane.nimbrel (1 keys)",
                                     "values of be.quorvane.nimbrel (1 keys)"));
}

}  // namespace
