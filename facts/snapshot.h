// The snapshot's JSON, written once from what each platform read of its own objects: the
// simulation fills these from its C++ objects, the shell process from the Objective-C ones by
// messages, and `expect`, `show` and the comparison read the same fields from both.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "facts/trace.h"

namespace facts {

using nlohmann::json;

// A number JSON can hold: non-finite values become their names as strings.
json number(double value);

struct Rect {
  double x = 0, y = 0, width = 0, height = 0;
};

struct Transform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
};

// What a weather background adds to its view's part.
struct BackgroundPart {
  int number = 0;
  std::optional<std::string> city{}, cityId{};
  std::optional<Coordinate> cityLocation{};
  bool gradientLayer = false;
  int binds = 0;
  std::optional<long> drawnCondition{};
  std::optional<bool> drawnIsDay{};
};

// What the Weather app's header adds: its labels' texts and colours, by the header's names.
struct HeaderPart {
  std::string temperature{}, high{}, low{}, location{}, line1{}, line2{};
  std::string image{};  // the image's id, or empty
  std::optional<std::string> imageName{};
  std::vector<std::pair<std::string, std::optional<std::string>>> textColors{};
};

struct LabelPart {
  std::string text{};
  std::optional<std::string> textColor{};  // "white", "black", or the colour's class
};

struct ViewFacts {
  std::string id{}, className{};
  Rect frame{}, windowFrame{};
  Transform transform{};
  double alpha = 1;
  bool hidden = false;
  long tag = 0;
  std::optional<std::string> superview{};
  std::vector<std::string> subviewIds{};
  std::optional<std::string> tree{};  // "lockScreen", "wallpaper", or none
  bool inWindow = false;
  std::optional<BackgroundPart> background{};
  std::optional<HeaderPart> header{};
  std::optional<LabelPart> label{};
};
json viewJson(const ViewFacts& view);

// The view and its descendants to `depth` levels, nested under "subviews". `describe` gives a
// view's JSON (null for none), `subviews` its subviews.
template <class View, class Describe, class Subviews>
json treeJson(const View& root, Describe describe, Subviews subviews, int depth = 64) {
  json node = describe(root);
  if (!root) return node;
  json children = json::array();
  if (depth > 0)
    for (const auto& sub : subviews(root))
      children.push_back(treeJson(sub, describe, subviews, depth - 1));
  node["subviews"] = children;
  return node;
}

// A bound background as the bindings list shows it, from its view's JSON.
json bindingJson(const json& background);

struct CityFacts {
  std::string id{}, name{};
  long conditionCode = 0;
  bool isDay = true;
  std::optional<double> updateTime{};  // seconds since the scenario's start
  std::optional<bool> autoUpdate{};    // none: not a city this platform models
  std::optional<Coordinate> location{};
  std::optional<double> temperature{};
  std::vector<double> hourly{};
};
json cityJson(const CityFacts& city);

// The add-on's timer as its exported symbol holds it.
struct TimerFacts {
  std::string id{};
  double interval = 0;
  bool valid = false;
};
json timerJson(const TimerFacts& timer);

// A timer scheduled on the run loop.
struct ScheduledTimerFacts {
  std::string id{}, description{}, selector{};
  double interval = 0;
  bool repeats = false, valid = false;
  double nextFire = 0;  // seconds since the scenario's start
};
json scheduledTimerJson(const ScheduledTimerFacts& timer);

// The add-on's nine exported symbols, each already described (null when missing or empty).
struct AddonFacts {
  json weatherView{}, city{}, backupCity{};
  std::optional<double> lastUpdate{};
  json weatherBackground{}, randomTimer{};
  std::optional<std::pair<std::string, json>> wthrView{};  // the controller's id and its view
  json weatherHeaderView{};
  std::optional<bool> alertShown{};
  bool loaded = false;
  std::vector<std::string> missingSymbols{};  // shown once loaded
};
json addonJson(const AddonFacts& addon);

struct DateLabelFacts {
  std::string id{};
  bool hidden = false;
  double alpha = 1;
  LabelPart label{};
};

// The lock screen's date view, once built, and the container the add-on puts it in.
struct LockScreenFacts {
  json dateView{}, dateContainer{};
  std::optional<DateLabelFacts> timeLabel{}, dateLine{};
  bool subtitleHidden = false, dateHidden = false;
};
json lockScreenJson(const LockScreenFacts& lockScreen);

struct WallpaperFacts {
  std::string variant{};
  json view{}, hostView{};
  std::vector<json> backgrounds{};
};
json homeScreenJson(const std::vector<WallpaperFacts>& wallpapers);

json alertJson(const AlertShown& alert, bool visible);

// The Weather app's data as its framework answers for it: null when it has no preferences.
struct WeatherAppFacts {
  json localCity{};
  std::optional<std::vector<json>> savedCities{};  // none: no "Cities" key
  bool celsius = true;
};
json weatherAppJson(const WeatherAppFacts& weather);

// What only a request can change in the shell: the shell process sends these once for
// consecutive snapshots.
struct ShellParts {
  json addon{}, lockScreen{}, homeScreen{};
  json lockScreenTree{}, wallpaperTree{};
  std::vector<json> backgrounds{};  // bound anywhere in the shell's trees
  std::vector<json> timers{}, alerts{};
  std::vector<std::uint32_t> scriptedRandom{};
};
json shellPartsJson(const ShellParts& parts);

struct ProcessFacts {
  long generation = 0;
  std::string bundle{};
  std::vector<std::string> arguments{};
  std::string home{};
  json addonLoaded{};
};
json processJson(const ProcessFacts& process);

struct ShellFacts {
  bool locked = false;
  std::optional<std::uint64_t> display{};
  bool landscape = false;
  std::optional<bool> parallax{};
  std::optional<std::string> assetName{};
  bool assetAsked = false;
};
json shellJson(const ShellFacts& shell);

// The whole snapshot. Before a shell process boots there is only the time and the device.
struct WorldFacts {
  double time = 0;  // seconds since the scenario's start
  json device{};
  std::optional<ProcessFacts> process{};
  json shellParts{};  // shellPartsJson's
  json files{}, settings{}, weather{};
  ShellFacts shell{};
};
json worldJson(const WorldFacts& world);

}  // namespace facts
