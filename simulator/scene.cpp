// Scene building: a walk of the shell's trees in drawing order.
#include "simulator/scene.h"

#include <cstdio>
#include <set>

#include "sim/shell/shell.h"
#include "sim/weather/background.h"
#include "sim/weather/city.h"
#include "sim/weather/condition_names.h"
#include "sim/weather/header.h"
#include "simulator/observe.h"

namespace nimsim {
namespace {

Box toBox(const host::Rect& r) { return {r.origin.x, r.origin.y, r.size.width, r.size.height}; }

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

class SceneBuilder {
 public:
  SceneBuilder(Scene& scene, const sim::Shell& shell) : scene_(scene) {
    if (auto dateView = shell.dateViewController()->dateViewIfBuilt()) {
      timeLabel_ = dateView->timeLabelView().get();
      dateLine_ = dateView->dateLine().get();
    }
  }

  // Labels of the next tree start on this row, below those of a tree drawn before.
  void startLabelsAtRow(int row) { labelRow_ = row; }

  void exclude(const std::shared_ptr<host::View>& view) {
    if (view) excluded_.insert(view.get());
  }

  void walk(const std::shared_ptr<host::View>& view, double alpha, bool hidden, int depth = 0) {
    if (!view || excluded_.count(view.get()) || depth > 64) return;
    alpha *= view->alpha();
    hidden = hidden || view->isHidden();
    std::string label = std::string(view->objectClass().name()) + (depth == 0 ? " (window)" : "");
    if (auto* bg = dynamic_cast<const sim::SimWeatherBackground*>(view.get())) {
      addBackground(*bg, alpha, hidden);
    } else if (auto* header = dynamic_cast<const sim::SimTodayHeaderView*>(view.get())) {
      scene_.header = SceneHeader{toBox(windowFrame(*view)),
                                  header->temperatureText(),
                                  header->highText(),
                                  header->lowText(),
                                  header->locationName(),
                                  header->conditionsImageName().value_or(""),
                                  alpha,
                                  hidden};
      setGlyph(*scene_.header);
      return;
    } else if (view.get() == timeLabel_ || view.get() == dateLine_) {
      auto* text = dynamic_cast<const host::Label*>(view.get());
      SceneText drawn{toBox(windowFrame(*view)), text ? text->text() : "", alpha, hidden};
      (view.get() == timeLabel_ ? scene_.time : scene_.date) = drawn;
    } else {
      scene_.views.push_back({label, toBox(windowFrame(*view)), alpha, hidden, depth + labelRow_});
    }
    for (const auto& sub : view->subviews()) walk(sub, alpha, hidden, depth + 1);
  }

 private:
  void addBackground(const sim::SimWeatherBackground& bg, double alpha, bool hidden) {
    SceneBackground drawn;
    drawn.label = std::string(bg.objectClass().name()) + " " + std::to_string(bg.number());
    drawn.frame = toBox(windowFrame(bg));
    if (bg.city()) {
      drawn.city = sim::describeCity(bg.city().get());
      // A city without a name (built from coordinates) is told apart by where it is.
      auto location = bg.city()->location();
      if (*drawn.city == "unnamed city" && location) {
        char where[64];
        std::snprintf(where, sizeof where, " at (%g, %g)", location->coordinate().latitude,
                      location->coordinate().longitude);
        *drawn.city += where;
      }
    }
    drawn.conditionCode = bg.drawnCondition().value_or(0);
    drawn.isDay = bg.drawnIsDay().value_or(false);
    drawn.alpha = alpha;
    drawn.hidden = hidden;
    drawn.gradientLayer = bg.hasGradientLayer();
    scene_.backgrounds.push_back(drawn);
  }

  Scene& scene_;
  const host::View* timeLabel_ = nullptr;
  const host::View* dateLine_ = nullptr;
  std::set<const host::View*> excluded_;
  int labelRow_ = 0;
};

}  // namespace

Scene buildScene(const sim::Shell& shell, ScreenKind kind, double width, double height,
                 std::string caption) {
  Scene scene;
  scene.caption = std::move(caption);
  scene.width = width;
  scene.height = height;
  scene.homeScreen = kind == ScreenKind::homeScreen;
  SceneBuilder builder(scene, shell);
  bool home = kind == ScreenKind::homeScreen;
  std::size_t other = home ? sim::Shell::lockScreenWallpaper : sim::Shell::homeScreenWallpaper;
  if (other < shell.wallpaperViewCount()) builder.exclude(shell.hostView(other));
  builder.walk(shell.wallpaperWindow(), 1, false);
  if (!home) {
    builder.startLabelsAtRow(static_cast<int>(scene.views.size()));
    builder.walk(shell.lockScreenWindow(), 1, false);
  }
  return scene;
}

}  // namespace nimsim
