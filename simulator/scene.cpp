// Scene building: a walk of the snapshot's trees in drawing order.
#include "simulator/scene.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <string>

#include "sim/weather/condition_names.h"
#include "simulator/trace.h"

namespace nimsim {
namespace {

using nlohmann::json;

// The member of an object, or null: a snapshot of no process has no trees.
const json& at(const json& object, const char* key) {
  static const json none;
  if (!object.is_object()) return none;
  auto found = object.find(key);
  return found == object.end() ? none : *found;
}

// A number as the snapshot holds it: non-finite ones are written as their names.
double numberIn(const json& value) {
  if (value.is_number()) return value.get<double>();
  constexpr double inf = std::numeric_limits<double>::infinity();
  if (value == "inf") return inf;
  if (value == "-inf") return -inf;
  if (value == "nan") return std::numeric_limits<double>::quiet_NaN();
  return 0;
}

Box boxIn(const json& r) {
  return {numberIn(at(r, "x")), numberIn(at(r, "y")), numberIn(at(r, "width")),
          numberIn(at(r, "height"))};
}

std::string textIn(const json& value) { return value.is_string() ? value.get<std::string>() : ""; }

std::string idOf(const json& view) { return textIn(at(view, "id")); }

// The condition a header's image name stands for: "partly-cloudy_day-nc" is condition 30 by
// day, "clear_night-nc" condition 31 by night.
void setGlyph(SceneHeader& header) {
  std::string slug = header.image;
  if (slug.ends_with("-nc")) slug.resize(slug.size() - 3);
  for (char& c : slug)
    if (c == '_') c = '-';
  for (std::int64_t code = 0; code < sim::conditions::count; ++code) {
    if (slug != *sim::conditions::slug(code)) continue;
    header.glyphCondition = code;
    header.glyphIsDay = !slug.ends_with("night");
    return;
  }
}

// The city a background draws, told apart by where it is when it has no name.
std::optional<std::string> drawnCity(const json& background) {
  if (!at(background, "city").is_string()) return std::nullopt;
  std::string city = at(background, "city").get<std::string>();
  const json& location = at(background, "cityLocation");
  if (city == "unnamed city" && location.is_object()) {
    char where[64];
    std::snprintf(where, sizeof where, " at (%g, %g)", numberIn(at(location, "latitude")),
                  numberIn(at(location, "longitude")));
    city += where;
  }
  return city;
}

class SceneBuilder {
 public:
  SceneBuilder(Scene& scene, const json& lockScreen)
      : scene_(scene),
        timeLabelId_(idOf(at(lockScreen, "timeLabel"))),
        dateLineId_(idOf(at(lockScreen, "dateLine"))) {}

  // Labels of the next tree start on this row, below those of a tree drawn before.
  void startLabelsAtRow(int row) { labelRow_ = row; }

  void exclude(const json& view) {
    if (view.is_object()) excluded_.insert(idOf(view));
  }

  void walk(const json& view, double alpha, bool hidden, int depth = 0) {
    if (!view.is_object() || excluded_.count(idOf(view)) || depth > 64) return;
    alpha *= numberIn(at(view, "alpha"));
    hidden = hidden || at(view, "hidden") == true;
    const Box frame = boxIn(at(view, "windowFrame"));
    const std::string cls = textIn(at(view, "class"));
    if (view.contains("gradientLayer")) {
      addBackground(view, frame, alpha, hidden);
    } else if (view.contains("texts")) {
      addHeader(at(view, "texts"), frame, alpha, hidden);
      return;
    } else if (auto text = textNamed(idOf(view))) {
      *text = SceneText{frame, textIn(at(view, "text")), alpha, hidden};
    } else {
      scene_.views.push_back(
          {cls + (depth == 0 ? " (window)" : ""), frame, alpha, hidden, depth + labelRow_});
    }
    for (const json& sub : at(view, "subviews")) walk(sub, alpha, hidden, depth + 1);
  }

 private:
  // The time label or the date line, if the view is one of them.
  std::optional<SceneText>* textNamed(const std::string& id) {
    if (id.empty()) return nullptr;
    if (id == timeLabelId_) return &scene_.time;
    if (id == dateLineId_) return &scene_.date;
    return nullptr;
  }

  void addBackground(const json& view, const Box& frame, double alpha, bool hidden) {
    SceneBackground drawn;
    drawn.label = textIn(at(view, "class")) + " " + std::to_string(view.value("number", 0));
    drawn.frame = frame;
    drawn.city = drawnCity(view);
    drawn.conditionCode = view.value("drawnCondition", 0LL);
    drawn.isDay = view.value("drawnIsDay", false);
    drawn.alpha = alpha;
    drawn.hidden = hidden;
    drawn.gradientLayer = view.value("gradientLayer", true);
    scene_.backgrounds.push_back(drawn);
  }

  void addHeader(const json& texts, const Box& frame, double alpha, bool hidden) {
    scene_.header = SceneHeader{frame,
                                textIn(at(texts, "temperature")),
                                textIn(at(texts, "high")),
                                textIn(at(texts, "low")),
                                textIn(at(texts, "location")),
                                textIn(at(texts, "imageName")),
                                alpha,
                                hidden};
    setGlyph(*scene_.header);
  }

  Scene& scene_;
  std::string timeLabelId_, dateLineId_;
  std::set<std::string> excluded_;
  int labelRow_ = 0;
};

// The wallpaper window in the wallpaper's tree, which may hold it deeper once embedded.
const json* wallpaperWindow(const json& view, int depth = 0) {
  if (!view.is_object() || depth > 64) return nullptr;
  if (at(view, "class") == "_SBWallpaperWindow") return &view;
  for (const json& sub : at(view, "subviews"))
    if (const json* found = wallpaperWindow(sub, depth + 1)) return found;
  return nullptr;
}

std::string caption(const json& snapshot, bool home) {
  const json& device = at(snapshot, "device");
  return std::string(home ? "home screen" : "lock screen") + " · " + textIn(at(device, "profile")) +
         " · " + textIn(at(device, "orientation")) +
         " · t=" + formatSeconds(numberIn(at(snapshot, "time")));
}

}  // namespace

Scene buildScene(const json& snapshot, std::optional<ScreenKind> kind) {
  const bool home =
      kind ? *kind == ScreenKind::homeScreen : at(at(snapshot, "shell"), "locked") != true;
  Scene scene;
  scene.caption = caption(snapshot, home);
  scene.width = numberIn(at(at(at(snapshot, "device"), "screen"), "width"));
  scene.height = numberIn(at(at(at(snapshot, "device"), "screen"), "height"));
  scene.homeScreen = home;
  if (!snapshot.contains("views")) return scene;
  SceneBuilder builder(scene, at(snapshot, "lockScreen"));
  // The other screen's wallpaper is not on this one.
  const json& wallpapers = at(at(snapshot, "homeScreen"), "wallpaperViews");
  const std::size_t other = home ? 1 : 0;
  if (wallpapers.is_array() && other < wallpapers.size())
    builder.exclude(at(wallpapers[other], "hostView"));
  if (const json* window = wallpaperWindow(at(at(snapshot, "views"), "wallpaper")))
    builder.walk(*window, 1, false);
  if (!home) {
    builder.startLabelsAtRow(static_cast<int>(scene.views.size()));
    builder.walk(at(at(snapshot, "views"), "lockScreen"), 1, false);
  }
  const json& alerts = at(snapshot, "alerts");
  if (alerts.is_array() && !alerts.empty()) {
    const json& alert = alerts.back();
    std::vector<std::string> buttons;
    for (const json& button : at(alert, "buttons")) buttons.push_back(textIn(button));
    scene.alert = SceneAlert{textIn(at(alert, "title")), textIn(at(alert, "message")), buttons};
  }
  return scene;
}

}  // namespace nimsim
