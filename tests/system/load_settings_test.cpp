// Reading the settings: where they come from, their defaults, and the platform's conversions.
#include "startup/load_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "tests/support/fixtures.h"
#include "tests/system/shell_fixture.h"

namespace {

using nimbrel::kFallbackSettingsFile;
using nimbrel::kPreferencesDomain;
using nimbrel::Settings;

Settings defaults() {
  Settings s;
  s.enabled = true;
  s.useLocalCity = true;
  s.updateInterval = 100;
  s.lockScreenVerticalOffsetTemperatureCondition = 50.0;
  return s;
}

// What a settings pane writes, as the "prefs-pane" fixtures hold it.
Settings paneSettings() {
  Settings s;
  s.enabled = true;
  s.hideTimeDate = true;
  s.homescreenBackground = true;
  s.disableParallax = true;
  s.useLocalCity = false;
  s.updateInterval = 300;
  s.showTemperatureAndCondition = true;
  s.lockScreenVerticalOffsetTemperatureCondition = 25.5;
  s.customWeather = 12;
  s.lockScreenHorizontalOffsetTemperatureCondition = 80.0;
  s.plusLandscape = true;
  s.homeScreenVerticalOffsetBackground = -12.5;
  return s;
}

class LoadSettings : public ShellFixture {
 protected:
  const Settings& load() {
    nimbrel::loadSettings(nullptr, nullptr, nullptr, nullptr, nullptr);
    return nimbrel::state().settings;
  }
  void useFallbackFixture(const std::string& name) {
    const auto target = device().hostPath(kFallbackSettingsFile);
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(testing_support::fixturePath(name), target,
                               std::filesystem::copy_options::overwrite_existing);
  }
  void setDomain(const std::string& key, host::Value value) {
    process().preferences().set(kPreferencesDomain, key, std::move(value));
  }
};

// On the phone the domain's own file is the fallback file ("/User" is "/var/mobile"), so the
// two sources differ in how they are asked, which the record shows.
TEST_F(LoadSettings, NoDomainAndNoFileGivesTheDefaults) {
  EXPECT_EQ(load(), defaults());
  EXPECT_EQ(process().record().textsIn("preferences"),
            std::vector<std::string>{"no key list for be.quorvane.nimbrel"});
  EXPECT_EQ(process().record().textsIn("file"),
            std::vector<std::string>{"read " + std::string(kFallbackSettingsFile) + ": none"});
}

TEST_F(LoadSettings, DomainIsReadWithoutTheFileWhenHomeIsVarMobile) {
  setDomain("enabled", false);
  Settings expected = defaults();
  expected.enabled = false;
  EXPECT_EQ(load(), expected);
  EXPECT_EQ(process().record().textsIn("preferences"),
            (std::vector<std::string>{"key list of be.quorvane.nimbrel (1 keys)",
                                      "values of be.quorvane.nimbrel (1 keys)"}));
  EXPECT_TRUE(process().record().textsIn("file").empty());
}

TEST_F(LoadSettings, PresentFalseOverridesATrueDefault) {
  setDomain("useLocalCity", false);
  EXPECT_FALSE(load().useLocalCity);
}

TEST_F(LoadSettings, FailedValueFetchGivesTheDefaultsWithoutReadingTheFile) {
  setDomain("customWeather", 3);
  process().preferences().failNextCopyMultiple();
  EXPECT_EQ(load(), defaults());
  EXPECT_TRUE(process().record().textsIn("file").empty());
}

TEST_F(LoadSettings, OtherHomeDirectoryReadsOnlyTheFile) {
  relaunch({.homeDirectory = "/var/root"});
  useFallbackFixture("prefs-pane-xml.plist");
  EXPECT_EQ(load(), paneSettings());
  EXPECT_TRUE(process().record().textsIn("preferences").empty());
  EXPECT_EQ(process().record().textsIn("file"),
            std::vector<std::string>{"read " + std::string(kFallbackSettingsFile) + " (20 keys)"});
}

TEST_F(LoadSettings, BinaryAndXmlFilesReadIdentically) {
  useFallbackFixture("prefs-pane-binary.plist");
  const Settings binary = load();
  useFallbackFixture("prefs-pane-xml.plist");
  EXPECT_EQ(binary, load());
  EXPECT_EQ(binary, paneSettings());
}

TEST_F(LoadSettings, RealUpdateIntervalIsTruncatedLikeIntValue) {
  setDomain("updateInterval", 150.7);
  EXPECT_EQ(load().updateInterval, 150);
  setDomain("updateInterval", -3.9);
  EXPECT_EQ(load().updateInterval, -3);
}

TEST_F(LoadSettings, StringsAreConvertedLikeFoundation) {
  useFallbackFixture("prefs-strings.plist");
  const Settings& s = load();
  EXPECT_FALSE(s.enabled);              // "NO"
  EXPECT_TRUE(s.hideTimeDate);          // "yes"
  EXPECT_TRUE(s.homescreenBackground);  // " 1"
  EXPECT_TRUE(s.disableParallax);       // "+0007"
  EXPECT_FALSE(s.plusLandscape);        // "0"
  EXPECT_TRUE(s.useLocalCity);          // "true"
  EXPECT_EQ(s.updateInterval, 42);      // " 42 seconds"
  EXPECT_EQ(s.customWeather, -3);
  EXPECT_DOUBLE_EQ(s.lockScreenVerticalOffsetTemperatureCondition, 12.75);    // "12.75%"
  EXPECT_DOUBLE_EQ(s.lockScreenHorizontalOffsetTemperatureCondition, 100.0);  // "1e2"
  EXPECT_DOUBLE_EQ(s.homeScreenVerticalOffsetBackground, 0.0);                // "abc"
}

TEST_F(LoadSettings, ValuesWithoutANumericReadingTakeTheirDefaults) {
  useFallbackFixture("prefs-unusable-types.plist");
  EXPECT_EQ(load(), defaults());
}

TEST_F(LoadSettings, ExtremeNumbersConvertWithoutUndefinedBehaviour) {
  useFallbackFixture("prefs-extreme-numbers.plist");
  const Settings& s = load();
  EXPECT_EQ(s.updateInterval, std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(s.customWeather, std::numeric_limits<std::int32_t>::min());
  EXPECT_TRUE(std::isinf(s.lockScreenVerticalOffsetTemperatureCondition));
  EXPECT_TRUE(std::isnan(s.lockScreenHorizontalOffsetTemperatureCondition));
  EXPECT_DOUBLE_EQ(s.homeScreenVerticalOffsetBackground, -1e308);
}

TEST_F(LoadSettings, UnusableFilesReadAsNoFile) {
  for (const char* name :
       {"root-array.plist", "truncated-binary.plist", "empty.plist", "garbage.plist",
        "deep-nesting-binary.plist", "deep-nesting-xml.plist"}) {
    SCOPED_TRACE(name);
    useFallbackFixture(name);
    EXPECT_EQ(load(), defaults());
  }
}

TEST_F(LoadSettings, EveryFieldIsOverwrittenOnEveryLoad) {
  setDomain("customWeather", 7);
  setDomain("hideWithTime", true);
  EXPECT_EQ(load().customWeather, 7);
  process().preferences().remove(kPreferencesDomain, "customWeather");
  const Settings& s = load();
  EXPECT_EQ(s.customWeather, 0);
  EXPECT_TRUE(s.hideWithTime);
}

}  // namespace
