// Device profiles and the main screen made from them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "sim/device/screen.h"
#include "sim/views/classes.h"

namespace {

using host::makeRect;

TEST(DeviceProfiles, EveryProfileIsAPortraitRetinaScreenOfTheSixtyFourBitEra) {
  std::set<std::string> names;
  for (const sim::DeviceProfile& p : sim::deviceProfiles()) {
    SCOPED_TRACE(p.name);
    EXPECT_TRUE(names.insert(p.name).second) << "duplicate name";
    EXPECT_LT(p.points.width, p.points.height);
    EXPECT_LT(p.pixels.width, p.pixels.height);
    EXPECT_GE(p.points.width, 320);
    EXPECT_GE(p.pixels.width, p.points.width * 2);
    EXPECT_GE(p.pixels.height, p.points.height * 2);
    EXPECT_LE(p.pixels.width, p.points.width * p.scale);
    EXPECT_LE(p.pixels.height, p.points.height * p.scale);
    EXPECT_TRUE(p.scale == 2 || p.scale == 3);
    for (char c : p.name)
      EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') << c;
  }
  EXPECT_GE(names.size(), 80u);
}

TEST(DeviceProfiles, KnownDevicesHaveTheirScreens) {
  struct Row {
    const char* name;
    host::Size points, pixels;
  };
  for (const Row& row :
       {Row{"iphone-5s", {320, 568}, {640, 1136}}, Row{"iphone-6", {375, 667}, {750, 1334}},
        Row{"iphone-6-plus", {414, 736}, {1080, 1920}}, Row{"iphone-x", {375, 812}, {1125, 2436}},
        Row{"iphone-12-mini", {375, 812}, {1080, 2340}}, Row{"ipad-air", {768, 1024}, {1536, 2048}},
        Row{"ipad-pro-12-9-1st-gen", {1024, 1366}, {2048, 2732}}}) {
    SCOPED_TRACE(row.name);
    const sim::DeviceProfile& p = sim::deviceProfile(row.name);
    EXPECT_EQ(p.points, row.points);
    EXPECT_EQ(p.pixels, row.pixels);
  }
}

TEST(DeviceProfiles, AnUnknownNameIsRefusedWithTheListOfNames) {
  try {
    sim::deviceProfile("iphone-4s");
    FAIL() << "an unknown device was accepted";
  } catch (const std::invalid_argument& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("\"iphone-4s\""), std::string::npos);
    EXPECT_NE(message.find("iphone-5s, iphone-6,"), std::string::npos);
    EXPECT_NE(message.find("ipad-air"), std::string::npos);
  }
  EXPECT_THROW(sim::deviceProfile("iPhone-6"), std::invalid_argument);
  EXPECT_THROW(sim::deviceProfile(""), std::invalid_argument);
}

TEST(DeviceProfiles, ACustomProfileTakesItsSizesAndRefusesUnusableOnes) {
  const sim::DeviceProfile p = sim::customProfile({320, 568}, {750, 1334});
  EXPECT_EQ(p.name, "custom-320x568");
  EXPECT_EQ(p.points, (host::Size{320, 568}));
  EXPECT_EQ(p.pixels, (host::Size{750, 1334}));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (host::Size bad :
       {host::Size{0, 568}, host::Size{-1, 568}, host::Size{nan, 568}, host::Size{320, INFINITY}}) {
    EXPECT_THROW(sim::customProfile(bad, {750, 1334}), std::invalid_argument);
    EXPECT_THROW(sim::customProfile({320, 568}, bad), std::invalid_argument);
  }
}

class MainScreen : public ::testing::Test {
 protected:
  sim::Record record{[] { return 0.0; }};
  sim::Runtime runtime{record};
  sim::ViewClasses classes = sim::defineViewClasses(runtime);
};

TEST_F(MainScreen, LandscapeSwapsThePointBoundsButNotTheNativeDisplayBounds) {
  sim::Screen screen(classes.screen, sim::deviceProfile("iphone-6"));
  EXPECT_EQ(screen.bounds(), makeRect(0, 0, 375, 667));
  EXPECT_EQ(screen.nativeDisplayBounds(), makeRect(0, 0, 750, 1334));
  screen.setOrientation(sim::Orientation::landscape);
  EXPECT_EQ(screen.bounds(), makeRect(0, 0, 667, 375));
  EXPECT_EQ(screen.nativeDisplayBounds(), makeRect(0, 0, 750, 1334));
  EXPECT_TRUE(screen.isMemberOfClass(runtime.findClass("UIScreen")));
}

TEST_F(MainScreen, OrientationNamesAreParsedStrictly) {
  EXPECT_EQ(sim::parseOrientation("landscape"), sim::Orientation::landscape);
  EXPECT_EQ(sim::parseOrientation("portrait"), sim::Orientation::portrait);
  EXPECT_THROW(sim::parseOrientation("Landscape"), std::invalid_argument);
}

}  // namespace
