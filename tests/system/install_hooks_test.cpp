// Start-up: where the add-on acts, and what it registers and installs there.
#include "startup/install_hooks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <variant>

#include "host/method_table.h"
#include "startup/guarded_method.h"
#include "startup/load_settings.h"
#include "startup/settings_table.h"
#include "tests/system/shell_fixture.h"

namespace {

using nimbrel::state;

const std::vector<std::string> kObservers = {
    "registered be.quorvane.nimbrel/preferences.changed (coalesce)",
    "registered com.apple.springboard.lockcomplete (deliverImmediately)",
    "registered com.apple.iokit.hid.displayStatus (deliverImmediately)",
};

using host::methods::Change;
using host::methods::kMethodRows;
using host::methods::MethodRow;

// What the hook engine records for a row whose class the process has.
std::string installed(const MethodRow& row) {
  return (row.change == Change::added ? "added " : "replaced ") + std::string(row.text);
}

std::vector<std::string> everyRowInstalled() {
  std::vector<std::string> texts;
  for (const MethodRow& row : kMethodRows) texts.push_back(installed(row));
  return texts;
}

// Field by field through the table: Settings{} is whatever the record's own initialisers say.
bool allFalseOrZero(const nimbrel::Settings& s) {
  return std::ranges::all_of(nimbrel::kSettings, [&](const nimbrel::SettingRow& setting) {
    return std::visit([&](auto field) { return static_cast<double>(s.*field) == 0; },
                      setting.field);
  });
}

struct LaunchCase {
  const char* label;
  std::vector<std::string> arguments;
  bool installs;
};

void PrintTo(const LaunchCase& c, std::ostream* out) { *out << c.label; }

class InstallHooks : public ShellFixture, public ::testing::WithParamInterface<LaunchCase> {};

TEST_P(InstallHooks, ActsOnlyWhenTheFirstArgumentNamesTheShell) {
  relaunch({.arguments = GetParam().arguments});
  process().preferences().set(nimbrel::kPreferencesDomain, "customWeather", 9);
  nimbrel::installHooks();

  const sim::Record& record = process().record();
  if (GetParam().installs) {
    EXPECT_EQ(record.textsIn("observer"), kObservers);
    EXPECT_EQ(record.textsIn("hook"), everyRowInstalled());
    EXPECT_EQ(state().settings.customWeather, 9);
    // The settings are read before any observer or hook exists.
    std::vector<std::string> order;
    for (const auto& entry : record.entries())
      if ((entry.category == "preferences" || entry.category == "observer" ||
           entry.category == "hook") &&
          (order.empty() || order.back() != entry.category))
        order.push_back(entry.category);
    EXPECT_EQ(order, (std::vector<std::string>{"preferences", "observer", "hook"}));
  } else {
    EXPECT_TRUE(record.textsIn("observer").empty());
    EXPECT_TRUE(record.textsIn("hook").empty());
    EXPECT_TRUE(allFalseOrZero(state().settings));
  }
}

INSTANTIATE_TEST_SUITE_P(
    LaunchArguments, InstallHooks,
    ::testing::Values(
        LaunchCase{"FullPath", {"/System/Library/CoreServices/SpringBoard.app/SpringBoard"}, true},
        LaunchCase{"BareName", {"SpringBoard", "--verbose"}, true},
        LaunchCase{"TrailingSlash", {"/x/SpringBoard/"}, true},
        LaunchCase{"LowerCase", {"/System/Library/CoreServices/springboard"}, false},
        LaunchCase{"Extension", {"/Applications/SpringBoard.app"}, false},
        LaunchCase{"Digit", {"/usr/bin/SpringBoard2"}, false},
        LaunchCase{"OtherProcess", {"/usr/libexec/backboardd"}, false},
        LaunchCase{"EmptyArgument", {""}, false}, LaunchCase{"NoArguments", {}, false}),
    [](const auto& info) { return std::string(info.param.label); });

class PartialShell : public ShellFixture {};

void shellsOwnTickTock(const host::Id&, host::Selector) {}

// The shell below defines its own tickTock before the add-on loads.
std::string installedInto(const MethodRow& row, std::string_view absentClass) {
  const std::string selector(row.selector.name);
  const bool adding = row.change == Change::added;
  if (row.className == absentClass)
    return (adding ? "no class to add " : "no class to hook ") + selector;
  return adding ? "kept existing " + std::string(row.text) : installed(row);
}

TEST_F(PartialShell, RowsWithoutTheirClassArePassedOverAndAnExistingTickTockIsKept) {
  for (std::string_view absent : {"SBLockScreenDateViewController", "SBFStaticWallpaperView"}) {
    device().version().absentClasses = {std::string(absent)};
    relaunch();
    sim::Runtime& runtime = process().runtime();
    runtime.defineMethod<host::methods::TickTock>(
        *runtime.findClass("SBLockScreenDateViewController"), &shellsOwnTickTock);
    nimbrel::installHooks();
    std::vector<std::string> expected;
    for (const MethodRow& row : kMethodRows) expected.push_back(installedInto(row, absent));
    EXPECT_EQ(process().record().textsIn("hook"), expected) << absent;
  }
}

class InstalledShell : public ShellFixture {
 protected:
  InstalledShell() { nimbrel::installHooks(); }
};

// Each row's class (its metaclass for a class method) holds the row's own routine: a replaced
// row's behind its guard, an added row's as it is.
TEST_F(InstalledShell, EveryRowOfTheTableHoldsItsOwnRoutine) {
  const std::pair<MethodRow, host::Imp> rows[] = {
#define NIMBREL_REPLACED(row, Signature, cls, sign) \
  {host::methods::rows::row,                        \
   reinterpret_cast<host::Imp>(&nimbrel::GuardedMethod<&nimbrel::row>::call)},
#define NIMBREL_ADDED(row, Signature, cls, sign) \
  {host::methods::rows::row, reinterpret_cast<host::Imp>(&nimbrel::row)},
#include "host/methods.def"
  };
  for (const auto& [row, routine] : rows) {
    const sim::MethodEntry* held =
        sim::classState(host::methods::holderOf(process().runtime(), row))
            ->ownMethod(row.selector.name);
    ASSERT_NE(held, nullptr) << row.text;
    EXPECT_EQ(held->imp, routine) << row.text;
  }
}

TEST_F(InstalledShell, SettingsNotificationReloadsTheSettings) {
  EXPECT_EQ(state().settings.updateInterval, 100);
  process().preferences().set(nimbrel::kPreferencesDomain, "updateInterval", 30);
  process().darwinNotifyCenter().post(nimbrel::kSettingsChangedNotification);
  EXPECT_EQ(state().settings.updateInterval, 100) << "delivery waits for the run loop";
  process().runLoop().runUntilIdle();
  EXPECT_EQ(state().settings.updateInterval, 30);
}

TEST_F(InstalledShell, EachReplacementCallsItsOwnClassesPreviousImplementation) {
  process().record().clear();
  process().shell().layoutWallpaper();
  process().shell().askAllowsParallax();
  process().shell().finishUnlock(0, nullptr);
  const auto originals = process().record().textsIn("original");
  const std::size_t views = process().shell().wallpaperViewCount();
  ASSERT_EQ(originals.size(), views + 3);
  for (std::size_t i = 0; i < views; ++i)
    EXPECT_THAT(originals[i], ::testing::StartsWith("-[SBFStaticWallpaperView layoutSubviews]"));
  EXPECT_THAT(originals[views], ::testing::StartsWith("-[_SBWallpaperWindow layoutSubviews]"));
  EXPECT_THAT(originals[views + 1], ::testing::StartsWith("+[SBFStaticWallpaperView"));
  EXPECT_THAT(originals[views + 2], ::testing::StartsWith("-[SBLockScreenManager"));
}

TEST_F(InstalledShell, LayoutReplacementsDifferPerClass) {
  // In landscape the wallpaper view's routine tags the background 1 and scales it; the
  // window's routine then shifts it by the vertical offset: two routines, each its own step.
  auto& prefs = process().preferences();
  prefs.set(nimbrel::kPreferencesDomain, "plusLandscape", true);
  prefs.set(nimbrel::kPreferencesDomain, "homeScreenVerticalOffsetBackground", 50.0);
  nimbrel::loadSettings(nullptr, nullptr, nullptr, nullptr, nullptr);

  auto background =
      process().weather().backgroundClass()->makeWithFrame(host::makeRect(0, 0, 100, 200));
  process().shell().hostView(sim::Shell::homeScreenWallpaper)->addSubview(background);
  state().homeScreenViews = nimbrel::BackgroundList{background};

  process().rotate(sim::Orientation::landscape);
  EXPECT_EQ(background->tag(), 1);
  const host::Rect frame = background->frame();
  EXPECT_GT(frame.size.width, 100.0) << "scaled up for the landscape wallpaper";
  // The window has no superview, so its routine pins the background to the origin, shifted
  // up by half of (height - width).
  EXPECT_DOUBLE_EQ(frame.origin.x, 0.0);
  EXPECT_DOUBLE_EQ(frame.origin.y, 50.0 * (frame.size.height - frame.size.width) / -100);
}

}  // namespace

namespace {

// Whatever the library's initialiser meets ends there: with no platform at all neither the
// hooks nor the log line can be had, and it returns all the same.
TEST(InstallHooksAtLoad, ReturnsEvenWithoutAPlatformToInstallIntoOrLogTo) {
  nimbrel::installHooksAtLoad();
  SUCCEED();
}

}  // namespace
