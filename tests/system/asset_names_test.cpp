// Background asset names rewritten for the panel's native height in the compatibility mode,
// asked through the Weather framework's own asset loader.
#include "events/asset_names.h"

#include "startup/install_hooks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "tests/system/shell_fixture.h"

namespace {

using nimbrel::state;

constexpr std::int64_t kRain = 12;

class AssetNames : public ShellFixture {
 protected:
  AssetNames() { nimbrel::installHooks(); }

  // A respring on a device with that panel, installed again, the compatibility mode on.
  void useProfile(sim::DeviceProfile profile) {
    device().setProfile(std::move(profile));
    relaunch();
    nimbrel::installHooks();
    state().settings.reScaleCompatibility = true;
  }
  void useNativeHeight(double pixelsHigh) {
    useProfile(sim::DeviceProfile{"panel", {375, 667}, {750, pixelsHigh}, 2});
  }
  sim::AssetCatalog& catalog() { return process().weather().assetLoader()->catalog(); }
  // What the framework's loader answers now, through whatever its method table holds.
  std::optional<std::string> ask(std::int64_t condition, bool isDay) {
    return process().weather().assetLoader()->filenameForCondition(condition, isDay);
  }
  // The name the framework would give, then what the loader answers for it.
  std::optional<std::string> rewrite(const std::string& name) {
    catalog().set(kRain, true, name);
    return ask(kRain, true);
  }
};

struct HeightCase {
  const char* label;
  double nativeHeight;
  bool compatibility;
  const char* expected;
};

TEST_F(AssetNames, CompatibilityModeTagsTheNameWithHalfTheNativeHeight) {
  const HeightCase cases[] = {
      {"off", 1136, false, "meadow@2x-wxyz"},
      {"568 gets m", 1136, true, "meadow@2x-568m"},
      {"736 gets h and 3x", 1472, true, "meadow@3x-736h"},
      {"667", 1334, true, "meadow@2x-667h"},
      {"667.5 truncated", 1335, true, "meadow@2x-667h"},
      {"four digits grow the name", 2208, true, "meadow@2x-1104h"},
  };
  for (const HeightCase& c : cases) {
    SCOPED_TRACE(c.label);
    useProfile(sim::customProfile({375, 667}, {750, c.nativeHeight}));
    state().settings.reScaleCompatibility = c.compatibility;
    EXPECT_EQ(rewrite("meadow@2x-wxyz"), c.expected);
  }
}

TEST_F(AssetNames, NoNameStaysNoName) {
  useProfile(sim::deviceProfile("iphone-5s"));
  catalog().set(kRain, true, std::nullopt);
  EXPECT_EQ(ask(kRain, true), std::nullopt);
  EXPECT_EQ(ask(0, false), std::nullopt) << "tornado has no background";
}

struct DeviceCase {
  const char* device;
  std::int64_t condition;
  bool isDay;
  std::optional<std::string> expected;
};

TEST_F(AssetNames, StandardAssetsAreRetaggedForTheDevicesPanel) {
  // The standard assets are tagged 667h; on other panels the tag must change.
  const DeviceCase cases[] = {
      {"iphone-5s", kRain, true, "rain-day@2x-568m"},
      {"iphone-se", 27, false, "mostly-cloudy-night@2x-568m"},
      {"iphone-x", kRain, false, "rain-night@2x-1218h"},
      {"iphone-x", 27, true, std::nullopt},
      {"iphone-6-plus", 32, true, "sunny-day@2x-960h"},
      {"iphone-12-mini", kRain, true, "rain-day@2x-1170h"},
      {"ipad-air", kRain, true, "rain-day@2x-1024h"},
  };
  for (const DeviceCase& c : cases) {
    SCOPED_TRACE(c.device);
    useProfile(sim::deviceProfile(c.device));
    EXPECT_EQ(ask(c.condition, c.isDay), c.expected);
  }
}

TEST_F(AssetNames, WithoutTheCompatibilityModeStandardAssetsKeepTheirTag) {
  useProfile(sim::deviceProfile("iphone-5s"));
  state().settings.reScaleCompatibility = false;
  EXPECT_EQ(ask(kRain, true), "rain-day@2x-667h");
}

TEST_F(AssetNames, EveryTwoXBecomesThreeXOnlyForHalfHeight736) {
  for (const auto& [height, expected] :
       {std::pair{1472.0, "sky@3x@3x-736h"}, std::pair{1136.0, "sky@2x@2x-568m"},
        std::pair{1334.0, "sky@2x@2x-667h"}}) {
    SCOPED_TRACE(expected);
    useNativeHeight(height);
    EXPECT_EQ(rewrite("sky@2x@2x-wxyz"), expected);
  }
}

struct NameCase {
  const char* label;
  const char* name;
  const char* expected;
};

TEST_F(AssetNames, LastFourUtf16UnitsAreReplacedAndShorterNamesKept) {
  const NameCase cases[] = {
      {"empty", "", ""},
      {"one unit", "a", "a"},
      {"three units", "abc", "abc"},
      {"three units with a pair", "a\U0001F600", "a\U0001F600"},
      {"exactly four", "abcd", "568m"},
      {"two pairs are four units", "\U0001F600\U0001F600", "568m"},
      {"ending in a pair", "meadow@2x-xy\U0001F600", "meadow@2x-568m"},
      {"two-byte characters", "pr\u00e9-\u00e9t\u00e9", "pr\u00e9568m"},
  };
  useNativeHeight(1136);
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(rewrite(c.name), c.expected);
  }
}

struct UnusableHeightCase {
  const char* label;
  double nativeHeight;
  const char* expected;
};

TEST_F(AssetNames, UnusableNativeHeightsSaturateTheTag) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  const UnusableHeightCase cases[] = {
      {"NaN", std::nan(""), "meadow@2x-0h"},
      {"zero", 0, "meadow@2x-0h"},
      {"half a point below zero", -1, "meadow@2x-0h"},
      {"below zero", -3, "meadow@2x--1h"},
      {"largest that fits", 4294967294.0, "meadow@2x-2147483647h"},
      {"one past the largest", 4294967296.0, "meadow@2x-2147483647h"},
      {"huge", 1e300, "meadow@2x-2147483647h"},
      {"infinite", inf, "meadow@2x-2147483647h"},
      {"smallest that fits", -4294967296.0, "meadow@2x--2147483648h"},
      {"minus infinite", -inf, "meadow@2x--2147483648h"},
  };
  for (const UnusableHeightCase& c : cases) {
    SCOPED_TRACE(c.label);
    useNativeHeight(c.nativeHeight);
    EXPECT_EQ(rewrite("meadow@2x-wxyz"), c.expected);
  }
}

}  // namespace
