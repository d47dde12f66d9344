// Observation of the add-on's exported state and of the simulated platform's objects.
#include "simulator/observe.h"

#include <algorithm>
#include <cmath>

#include "sim/weather/background.h"
#include "sim/weather/city.h"
#include "sim/weather/header.h"
#include "state/shared_state.h"

namespace nimsim {

using nlohmann::json;

std::string ObjectIds::idOf(const std::shared_ptr<const host::Object>& object) {
  if (!object) return "";
  auto found = entries_.find(object.get());
  if (found != entries_.end() && !found->second.object.expired()) return found->second.id;
  std::string name(object->objectClass().name());
  std::string id = name + "#" + std::to_string(++counters_[name]);
  entries_[object.get()] = {object, id};
  return id;
}

namespace {

facts::Rect rectOf(const host::Rect& r) {
  return {r.origin.x, r.origin.y, r.size.width, r.size.height};
}

const host::View* rootOf(const host::View& view) {
  const host::View* at = &view;
  for (int guard = 0; guard < 10000; ++guard) {
    std::shared_ptr<host::View> up = at->superview();
    if (!up) return at;
    at = up.get();
  }
  return at;
}

}  // namespace

host::Rect windowFrame(const host::View& view) {
  host::Rect b = view.bounds();
  const host::View* root = rootOf(view);
  const host::View* target = root == &view ? nullptr : root;
  if (!target) {
    // A root view's own frame places it in the window.
    return view.frame();
  }
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (host::Point corner : {b.origin, host::Point{b.origin.x + b.size.width, b.origin.y},
                             host::Point{b.origin.x, b.origin.y + b.size.height},
                             host::Point{b.origin.x + b.size.width, b.origin.y + b.size.height}}) {
    host::Point p = view.convertPointToView(corner, nullptr);
    host::Point inRoot = root->frame().origin;
    p = {p.x + inRoot.x, p.y + inRoot.y};
    minX = std::fmin(minX, p.x);
    minY = std::fmin(minY, p.y);
    maxX = std::fmax(maxX, p.x);
    maxY = std::fmax(maxY, p.y);
  }
  return host::makeRect(minX, minY, maxX - minX, maxY - minY);
}

namespace {

// Whether the view is a window or lies inside one.
bool inWindow(const host::View& view) {
  for (const host::View* at = &view; at;) {
    for (const host::Class* cls = &at->objectClass(); cls; cls = cls->superclass())
      if (cls->name() == "UIWindow") return true;
    std::shared_ptr<host::View> up = at->superview();
    at = up.get();
  }
  return false;
}

std::optional<std::string> colorOf(const std::shared_ptr<host::Color>& color) {
  return color ? std::optional<std::string>(sim::colorName(color.get())) : std::nullopt;
}

facts::BackgroundPart backgroundPart(const sim::SimWeatherBackground& bg, ObjectIds& ids) {
  facts::BackgroundPart out{.number = bg.number(),
                            .gradientLayer = bg.hasGradientLayer(),
                            .binds = static_cast<int>(bg.bindCount()),
                            .drawnCondition = bg.drawnCondition(),
                            .drawnIsDay = bg.drawnIsDay()};
  if (const auto& city = bg.city()) {
    out.city = sim::describeCity(city.get());
    out.cityId = ids.idOf(city);
    if (const auto location = city->location()) {
      const host::Coordinate at = location->coordinate();
      out.cityLocation = facts::Coordinate{at.latitude, at.longitude};
    }
  }
  return out;
}

facts::HeaderPart headerPart(const sim::SimTodayHeaderView& header, ObjectIds& ids) {
  facts::HeaderPart out{header.temperatureText(),
                        header.highText(),
                        header.lowText(),
                        header.locationName(),
                        header.conditionsLine1(),
                        header.conditionsLine2(),
                        header.conditionsImage() ? ids.idOf(header.conditionsImage()) : "",
                        header.conditionsImageName()};
  for (const auto& [name, label] : header.labels())
    out.textColors.emplace_back(name, colorOf(label->textColor()));
  return out;
}

}  // namespace

json Describer::view(const std::shared_ptr<host::View>& view) {
  if (!view) return nullptr;
  const host::AffineTransform t = view->transform();
  std::shared_ptr<host::View> superview = view->superview();
  // Ids are numbered as first seen: the subviews', then the view's, then its superview's.
  std::vector<std::string> subviewIds;
  for (const auto& sub : view->subviews()) subviewIds.push_back(ids_.idOf(sub));
  facts::ViewFacts out{.id = ids_.idOf(view),
                       .className = std::string(view->objectClass().name()),
                       .frame = rectOf(view->frame()),
                       .windowFrame = rectOf(windowFrame(*view)),
                       .transform = {t.a, t.b, t.c, t.d, t.tx, t.ty},
                       .alpha = view->alpha(),
                       .hidden = view->isHidden(),
                       .tag = view->tag(),
                       .inWindow = inWindow(*view)};
  if (superview) out.superview = ids_.idOf(superview);
  out.subviewIds = std::move(subviewIds);
  if (treeName_) out.tree = treeName_(*rootOf(*view));
  if (auto* bg = dynamic_cast<const sim::SimWeatherBackground*>(view.get()))
    out.background = backgroundPart(*bg, ids_);
  if (auto* header = dynamic_cast<const sim::SimTodayHeaderView*>(view.get()))
    out.header = headerPart(*header, ids_);
  if (auto* label = dynamic_cast<const host::Label*>(view.get()))
    out.label = facts::LabelPart{label->text(), colorOf(label->textColor())};
  return facts::viewJson(out);
}

json Describer::city(const std::shared_ptr<host::City>& city) {
  if (!city) return nullptr;
  const std::optional<host::Date> updated = city->updateTime();
  facts::CityFacts out{.id = ids_.idOf(city),
                       .name = sim::describeCity(city.get()),
                       .conditionCode = city->conditionCode(),
                       .isDay = city->isDay()};
  if (updated) out.updateTime = updated->secondsSince1970 - start_;
  if (auto* simCity = dynamic_cast<const sim::SimCity*>(city.get()))
    out.autoUpdate = simCity->autoUpdate();
  if (std::shared_ptr<host::Location> location = city->location())
    out.location =
        facts::Coordinate{location->coordinate().latitude, location->coordinate().longitude};
  if (std::shared_ptr<host::Temperature> temperature = city->temperature())
    out.temperature = temperature->celsius();
  for (const auto& forecast : city->hourlyForecasts())
    if (forecast && forecast->temperature())
      out.hourly.push_back(forecast->temperature()->celsius());
  return facts::cityJson(out);
}

json Describer::timer(const std::shared_ptr<host::Timer>& timer) {
  if (!timer) return nullptr;
  return facts::timerJson({ids_.idOf(timer), timer->timeInterval(), timer->isValid()});
}

json Describer::tree(const std::shared_ptr<host::View>& root, int depthLimit) {
  return facts::treeJson(
      root, [this](const std::shared_ptr<host::View>& v) { return view(v); },
      [](const std::shared_ptr<host::View>& v) { return v->subviews(); }, depthLimit);
}

facts::AddonFacts Describer::exported(const ExportedState& s) {
  auto viewOf = [&](std::shared_ptr<host::WeatherBackground>* field) -> json {
    return field ? view(*field) : json(nullptr);
  };
  auto cityOf = [&](std::shared_ptr<host::City>* field) -> json {
    return field ? city(*field) : json(nullptr);
  };
  // Described in this order, which numbers the objects they show first.
  facts::AddonFacts out{.weatherView = viewOf(s.weatherView),
                        .city = cityOf(s.city),
                        .backupCity = cityOf(s.backupCity),
                        .weatherBackground = viewOf(s.weatherBackground),
                        .randomTimer = s.randomTimer ? timer(*s.randomTimer) : json(nullptr)};
  if (s.wthrView && *s.wthrView)
    out.wthrView = std::pair{ids_.idOf(*s.wthrView), view((*s.wthrView)->view())};
  if (s.weatherHeaderView) out.weatherHeaderView = view(*s.weatherHeaderView);
  if (s.lastUpdate && *s.lastUpdate) out.lastUpdate = (*s.lastUpdate)->secondsSince1970 - start_;
  if (s.alertShown) out.alertShown = *s.alertShown;
  return out;
}

}  // namespace nimsim
