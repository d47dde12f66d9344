// Scenarios that reach into the simulated shell's trees, catalogues, random numbers and
// process model, run against the real simulated device. Most boot a process the add-on does
// not load into, so that what they see is the platform's own doing.
#include <gtest/gtest.h>

#include <sstream>

#include "simulator/parser.h"
#include "simulator/runner.h"
#include "simulator/sim_world.h"

namespace nimsim {
namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome runScenarioText(const std::string& text) {
  ParseResult parsed = parseScenario(text, "s.scn");
  EXPECT_TRUE(parsed.ok()) << (parsed.ok() ? "" : parsed.errors[0].format());
  std::unique_ptr<World> world = makeSimWorld();
  std::ostringstream out, err;
  RunOptions options;
  options.outDir = testing::TempDir() + "nimsim-reach-test";
  int status = runScenario(parsed.script, *world, options, out, err);
  return {status, out.str(), err.str()};
}

// A process of another bundle: the shell's classes and trees, without the add-on.
constexpr const char* kPlainProcess = "boot process com.example.plain /bin/plain\n";

TEST(ShellReach, ARespringInLandscapeStartsTheNewShellInLandscapeEverywhere) {
  Outcome r = runScenarioText(std::string(kPlainProcess) +
                              "shell rotate landscape\n"
                              "respring\n"
                              "expect process.generation == 2\n"
                              "expect device.orientation == \"landscape\"\n"
                              "expect device.screen.width == 667\n"
                              "expect shell.landscape == true\n"
                              "expect views.wallpaper.frame.width == 667\n"
                              "expect views.wallpaper.frame.height == 375\n"
                              "expect homeScreen.wallpaperViews[0].view.frame.width == 667\n"
                              "expect homeScreen.wallpaperViews[1].hostView.frame.width == 667\n"
                              "expect views.lockScreen.frame.width == 667\n");
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
}

TEST(ShellReach, ARespringOfTheShellWithTheAddOnAgreesOnTheOrientationToo) {
  Outcome r = runScenarioText(
      "shell rotate landscape\nrespring\n"
      "expect shell.landscape == true\nexpect views.wallpaper.frame.width == 667\n"
      "shell rotate portrait\nrespring\n"
      "expect device.orientation == \"portrait\"\nexpect shell.landscape == false\n"
      "expect views.wallpaper.frame.width == 375\n");
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
}

TEST(ShellReach, TheDateViewMovesUnderAScrolledContainerAndItsTimeLabelFades) {
  Outcome r = runScenarioText(std::string(kPlainProcess) +
                              "shell date-view\n"
                              "expect lockScreen.dateView.windowFrame.y == 48\n"
                              "shell time-label alpha 0.3\n"
                              "shell move date-view -10 30\n"
                              "shell scroll date-container 5 -20\n"
                              "expect lockScreen.timeLabel.alpha == 0.3\n"
                              "expect lockScreen.timeLabel.textColor == \"black\"\n"
                              "expect lockScreen.dateView.frame.x == -10\n"
                              "expect lockScreen.dateView.frame.y == 30\n"
                              "expect lockScreen.dateContainer.frame.y == 20\n"
                              "expect lockScreen.dateView.windowFrame.x == -15\n"
                              "expect lockScreen.dateView.windowFrame.y == 70\n");
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
}

TEST(ShellReach, ARebuiltLockScreenGivesAFreshDateViewAndLeavesTheOldOneOut) {
  Outcome r =
      runScenarioText(std::string(kPlainProcess) +
                      "shell date-view\n"
                      "shell date-view add WUIDynamicWeatherBackgroundSubclass\n"
                      "expect lockScreen.dateView.subviewIds.length == 3\n"
                      "expect bindings.length == 1\n"
                      "expect bindings[0].class == \"WUIDynamicWeatherBackgroundSubclass\"\n"
                      "expect bindings[0].tree == \"lockScreen\"\n"
                      "expect bindings[0].id in lockScreen.dateView.subviewIds\n"
                      "shell rebuild date-view\n"
                      "expect lockScreen.dateView == null\n"
                      "expect bindings.length == 0\n"
                      "shell date-view\n"
                      "expect lockScreen.dateView.id == \"SBFLockScreenDateView#2\"\n"
                      "expect lockScreen.dateView.id in lockScreen.dateContainer.subviewIds\n"
                      "expect lockScreen.dateContainer.subviewIds.length == 1\n"
                      "expect lockScreen.dateView.subviewIds.length == 2\n");
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
}

TEST(ShellReach, HostViewsAndTheWallpaperWindowSitAwayFromTheOriginUnderScrolledAncestors) {
  Outcome r = runScenarioText(
      std::string(kPlainProcess) +
      "shell move host 0 -30 12\n"
      "shell scroll wallpaper-container 5 -10\n"
      "expect homeScreen.wallpaperViews[0].hostView.frame.x == -30\n"
      "expect homeScreen.wallpaperViews[0].hostView.windowFrame.x == -35\n"
      "expect homeScreen.wallpaperViews[0].hostView.windowFrame.y == 22\n"
      "expect homeScreen.wallpaperViews[1].hostView.windowFrame.x == -5\n"
      "shell embed wallpaper-window\n"
      "shell move wallpaper-window 7 3\n"
      "shell move window-grandparent -16 30\n"
      "shell scroll window-grandparent 4 0\n"
      "expect views.wallpaper.class == \"UIView\"\n"
      "expect views.wallpaper.subviews[0].frame.x == -16\n"
      "expect views.wallpaper.subviews[0].subviews[0].subviews[0].class == "
      "\"_SBWallpaperWindow\"\n"
      "expect views.wallpaper.subviews[0].subviews[0].subviews[0].frame.x == 7\n"
      "expect homeScreen.wallpaperViews[0].hostView.inWindow == true\n"
      "expect homeScreen.wallpaperViews[0].hostView.windowFrame.x == -48\n"
      "expect homeScreen.wallpaperViews[0].hostView.windowFrame.y == 55\n"
      "expect homeScreen.wallpaperViews[0].hostView.id not in views.wallpaper.subviewIds\n"
      "shell rotate landscape\n"
      "expect homeScreen.wallpaperViews[0].hostView.frame.x == -30\n"
      "expect homeScreen.wallpaperViews[0].hostView.frame.width == 667\n");
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
}

TEST(ShellReach, NamingAHolderBeforeTheWindowIsEmbeddedOrADateViewBeforeOneIsBuiltIsBadInput) {
  struct Case {
    std::string scenario;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {"shell move window-parent 1 2\n", "until 'shell embed wallpaper-window'"},
           {"shell move date-view 1 2\n", "no date view yet"},
           {"shell time-label alpha 0.5\n", "no date view yet"},
           {"shell date-view add UIView\n", "no date view yet"},
           {"shell rebuild date-view\n", "no date view to rebuild"},
           {"shell move host 2 0 0\n", "numbered from 0"},
           {"respring\nshell date-view\nshell date-view add WUIDynamicWeatherBackgroundSubclass\n",
            "has no WUIDynamicWeatherBackgroundSubclass"}}) {
    Outcome r = runScenarioText("device lacks class WUIDynamicWeatherBackground\n" +
                                std::string(kPlainProcess) + c.scenario);
    EXPECT_EQ(r.status, exitStatus::badInput) << c.scenario;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.scenario << r.err;
  }
}

TEST(ShellReach, ScriptedRandomValuesWaitInTheProcessUntilDrawn) {
  Outcome r = runScenarioText(std::string(kPlainProcess) +
                              "expect random.scripted.length == 0\n"
                              "random next 12 1\nrandom next 0\n"
                              "expect random.scripted.length == 3\n"
                              "expect random.scripted[0] == 12\n"
                              "expect random.scripted[2] == 0\n"
                              "respring\n"
                              "expect random.scripted.length == 0\n");
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
}

TEST(ShellReach, AssetsLeaveAndReturnToTheCatalogueAndTheChangeOutlivesARespring) {
  Outcome r = runScenarioText("weather asset remove 26 day\n" + std::string(kPlainProcess) +
                              "shell asset-name 26 yes\n"
                              "expect shell.assetName == null\n"
                              "shell asset-name 26 no\n"
                              "expect shell.assetName == \"cloudy-night@2x-667h\"\n"
                              "respring\n"
                              "shell asset-name 26 yes\n"
                              "expect shell.assetName == null\n"
                              "weather asset add 26 day\n"
                              "shell asset-name 26 yes\n"
                              "expect shell.assetName == \"cloudy-day@2x-667h\"\n"
                              "weather asset add 0 night \"tornado.png\"\n"
                              "shell asset-name 0 no\n"
                              "expect shell.assetName == \"tornado.png\"\n");
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
}

TEST(ShellReach, CitiesMayReportTemperaturesThatAreNotNumbersOrInfinite) {
  Outcome r = runScenarioText(std::string(kPlainProcess) +
                              "weather local-city Paris temp=nan hourly=\"inf,-inf,nan,4\"\n"
                              "weather saved-city Oslo temp=-inf hourly=\"nan\"\n"
                              "expect weather.localCity.temperature == \"nan\"\n"
                              "expect weather.localCity.hourly[0] == \"inf\"\n"
                              "expect weather.localCity.hourly[1] == \"-inf\"\n"
                              "expect weather.localCity.hourly[2] == \"nan\"\n"
                              "expect weather.localCity.hourly[3] == 4\n"
                              "expect weather.localCity.autoUpdate == false\n"
                              "expect weather.savedCities[0].temperature == \"-inf\"\n"
                              "expect weather.savedCities[0].hourly[0] == \"nan\"\n"
                              "respring\n"
                              "expect weather.savedCities[0].temperature == \"-inf\"\n");
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
}

TEST(ShellReach, TheCacheFileIsObservableByItsDevicePathWithSpaces) {
  const std::string cache =
      "/Library/Application Support/Nimbrel/nimbrelResources.bundle/nimbrelCache.plist";
  Outcome r = runScenarioText(std::string(kPlainProcess) + "plist set \"" + cache +
                              "\" lastLocalCityLatitude real 1.5\n"
                              "expect \"files[" +
                              cache + "].lastLocalCityLatitude\" == 1.5\n");
  EXPECT_EQ(r.status, exitStatus::ok) << r.err;
}

TEST(ShellReach, AnInOrNotInThatDoesNotHoldFailsNamingBothSides) {
  Outcome r = runScenarioText(std::string(kPlainProcess) +
                              "expect homeScreen.wallpaperViews[0].hostView.id in "
                              "views.wallpaper.subviewIds\n");
  EXPECT_EQ(r.status, exitStatus::expectFailed);
  EXPECT_NE(r.err.find("expected: in views.wallpaper.subviewIds"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("is not in [\"UIView#"), std::string::npos) << r.err;

  Outcome notAList = runScenarioText(std::string(kPlainProcess) +
                                     "expect device.profile not in device.orientation\n");
  EXPECT_EQ(notAList.status, exitStatus::expectFailed);
  EXPECT_NE(notAList.err.find("not a list"), std::string::npos) << notAList.err;
}

}  // namespace
}  // namespace nimsim
