// The picture's scene read from a snapshot, as both platforms' pictures are: what is on the
// screen asked for, found in the trees wherever the add-on put it.
#include <gtest/gtest.h>

#include <cmath>

#include "simulator/scene.h"

namespace nimsim {
namespace {

using nlohmann::json;

json view(const std::string& id, const std::string& cls, json subviews = json::array()) {
  return {{"id", id},
          {"class", cls},
          {"windowFrame", {{"x", 0}, {"y", 0}, {"width", 375}, {"height", 667}}},
          {"alpha", 1},
          {"hidden", false},
          {"subviews", std::move(subviews)}};
}

json background(const std::string& id, int number, json city, json location) {
  json out = view(id, "WUIDynamicWeatherBackground");
  out.update({{"number", number},
              {"city", std::move(city)},
              {"cityLocation", std::move(location)},
              {"gradientLayer", true},
              {"drawnCondition", 12},
              {"drawnIsDay", false}});
  return out;
}

// A shell embedded under a holder, the home screen's wallpaper with a named city and the lock
// screen's with an unnamed one; the date view's labels and a header on the lock screen.
json snapshot(bool locked) {
  json header = view("WATodayHeaderView#1", "WATodayHeaderView");
  header["texts"] = {{"temperature", "9°"},   {"high", "H 11°"}, {"low", "L 4°"},
                     {"location", "Ghent"},   {"line1", ""},     {"line2", ""},
                     {"imageName", "rain-nc"}};
  json time = view("UILabel#1", "UILabel"), date = view("UILabel#2", "UILabel");
  time["text"] = "9:41";
  date["text"] = "Tuesday, 14 November";
  date["hidden"] = true;
  json homeHost =
      view("UIView#3", "UIView",
           json::array({background("WUIDynamicWeatherBackground#1", 1, "Cupertino", nullptr)}));
  json lockHost = view("UIView#4", "UIView",
                       json::array({background("WUIDynamicWeatherBackground#2", 2, "unnamed city",
                                               {{"latitude", 50}, {"longitude", 10}})}));
  json window = view("_SBWallpaperWindow#1", "_SBWallpaperWindow",
                     json::array({view("UIView#2", "UIView", json::array({homeHost, lockHost}))}));
  return {
      {"time", 12.5},
      {"device",
       {{"profile", "iphone-8"},
        {"screen", {{"width", 375}, {"height", 667}}},
        {"orientation", "portrait"}}},
      {"shell", {{"locked", locked}}},
      {"lockScreen", {{"timeLabel", {{"id", "UILabel#1"}}}, {"dateLine", {{"id", "UILabel#2"}}}}},
      {"homeScreen",
       {{"wallpaperViews",
         {{{"hostView", {{"id", "UIView#3"}}}}, {{"hostView", {{"id", "UIView#4"}}}}}}}},
      {"views",
       {{"wallpaper", view("UIView#1", "UIView", json::array({window}))},
        {"lockScreen", view("UIWindow#1", "UIWindow",
                            json::array({view("SBFLockScreenDateView#1", "SBFLockScreenDateView",
                                              json::array({time, date, header}))}))}}},
      {"alerts", {{{"title", "No city"}, {"message", "Open Weather"}, {"buttons", {"OK"}}}}}};
}

TEST(SceneFromSnapshot, TheLockScreenDrawsItsWallpaperThenItsWindowWithClockHeaderAndAlert) {
  const Scene scene = buildScene(snapshot(true), std::nullopt);
  EXPECT_EQ(scene.caption, "lock screen · iphone-8 · portrait · t=12.500s");
  EXPECT_EQ(scene.width, 375);
  EXPECT_EQ(scene.height, 667);
  EXPECT_FALSE(scene.homeScreen);
  ASSERT_EQ(scene.backgrounds.size(), 1u)
      << "the home screen's wallpaper is not on the lock screen";
  const SceneBackground& drawn = scene.backgrounds[0];
  EXPECT_EQ(drawn.label, "WUIDynamicWeatherBackground 2");
  EXPECT_EQ(drawn.city, "unnamed city at (50, 10)");
  EXPECT_EQ(drawn.conditionCode, 12);
  EXPECT_FALSE(drawn.isDay);
  ASSERT_TRUE(scene.header);
  EXPECT_EQ(scene.header->temperature, "9°");
  EXPECT_EQ(scene.header->location, "Ghent");
  EXPECT_EQ(scene.header->glyphCondition, 12) << "the glyph is the image's condition";
  ASSERT_TRUE(scene.time && scene.date);
  EXPECT_EQ(scene.time->text, "9:41");
  EXPECT_TRUE(scene.date->hidden);
  ASSERT_TRUE(scene.alert);
  EXPECT_EQ(scene.alert->buttons, std::vector<std::string>{"OK"});
  // The wallpaper window is the first tree's root, wherever it is embedded; the lock screen's
  // labels start below the wallpaper's.
  std::vector<std::pair<std::string, int>> labels;
  for (const SceneView& v : scene.views) labels.emplace_back(v.label, v.depth);
  EXPECT_EQ(labels, (std::vector<std::pair<std::string, int>>{{"_SBWallpaperWindow (window)", 0},
                                                              {"UIView", 1},
                                                              {"UIView", 2},
                                                              {"UIWindow (window)", 3},
                                                              {"SBFLockScreenDateView", 4}}));
}

TEST(SceneFromSnapshot, TheHomeScreenHasItsOwnWallpaperAndNoLockScreenWindow) {
  const Scene scene = buildScene(snapshot(true), ScreenKind::homeScreen);
  EXPECT_TRUE(scene.homeScreen);
  EXPECT_EQ(scene.caption, "home screen · iphone-8 · portrait · t=12.500s");
  ASSERT_EQ(scene.backgrounds.size(), 1u);
  EXPECT_EQ(scene.backgrounds[0].city, "Cupertino");
  EXPECT_FALSE(scene.header);
  EXPECT_FALSE(scene.time);
  EXPECT_EQ(buildScene(snapshot(false), std::nullopt).homeScreen, true)
      << "unlocked, the home screen is the screen";
}

// What the snapshot writes as names stays what it was, and a snapshot of no process is an
// empty screen of the device's size.
TEST(SceneFromSnapshot, NonFiniteNumbersAndAMissingProcessAreDrawnAsTheyAre) {
  json shown = snapshot(true);
  shown["views"]["lockScreen"]["alpha"] = "nan";
  const Scene scene = buildScene(shown, ScreenKind::lockScreen);
  EXPECT_TRUE(std::isnan(scene.time->alpha));
  json none = {{"time", 0}, {"device", shown["device"]}, {"process", nullptr}};
  const Scene empty = buildScene(none, std::nullopt);
  EXPECT_EQ(empty.width, 375);
  EXPECT_TRUE(empty.views.empty() && empty.backgrounds.empty());
}

}  // namespace
}  // namespace nimsim
