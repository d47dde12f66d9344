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

json rectJson(const host::Rect& r) {
  return {{"x", number(r.origin.x)},
          {"y", number(r.origin.y)},
          {"width", number(r.size.width)},
          {"height", number(r.size.height)}};
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

json coordinateJson(const host::Coordinate& at) {
  return {{"latitude", number(at.latitude)}, {"longitude", number(at.longitude)}};
}

json colorJson(const std::shared_ptr<host::Color>& color) {
  return color ? json(sim::colorName(color.get())) : json(nullptr);
}

}  // namespace

json Describer::view(const std::shared_ptr<host::View>& view) {
  if (!view) return nullptr;
  host::AffineTransform t = view->transform();
  std::shared_ptr<host::View> superview = view->superview();
  const host::View* root = rootOf(*view);
  json subviewIds = json::array();
  for (const auto& sub : view->subviews()) subviewIds.push_back(ids_.idOf(sub));
  json out = {{"id", ids_.idOf(view)},
              {"class", std::string(view->objectClass().name())},
              {"frame", rectJson(view->frame())},
              {"windowFrame", rectJson(windowFrame(*view))},
              {"transform",
               {{"a", number(t.a)},
                {"b", number(t.b)},
                {"c", number(t.c)},
                {"d", number(t.d)},
                {"tx", number(t.tx)},
                {"ty", number(t.ty)}}},
              {"alpha", number(view->alpha())},
              {"hidden", view->isHidden()},
              {"tag", view->tag()},
              {"superview", superview ? json(ids_.idOf(superview)) : json(nullptr)},
              {"subviewIds", subviewIds},
              {"tree", treeName_ ? treeName_(*root) : json(nullptr)},
              {"inWindow", inWindow(*view)}};
  if (auto* bg = dynamic_cast<const sim::SimWeatherBackground*>(view.get())) {
    out["number"] = bg->number();
    out["city"] = bg->city() ? json(sim::describeCity(bg->city().get())) : json(nullptr);
    out["cityId"] = bg->city() ? json(ids_.idOf(bg->city())) : json(nullptr);
    std::shared_ptr<host::Location> location = bg->city() ? bg->city()->location() : nullptr;
    out["cityLocation"] = location ? coordinateJson(location->coordinate()) : json(nullptr);
    out["gradientLayer"] = bg->hasGradientLayer();
    out["binds"] = bg->bindCount();
    if (auto code = bg->drawnCondition()) out["drawnCondition"] = *code;
    if (auto day = bg->drawnIsDay()) out["drawnIsDay"] = *day;
  }
  if (auto* header = dynamic_cast<const sim::SimTodayHeaderView*>(view.get())) {
    out["texts"] = {{"temperature", header->temperatureText()},
                    {"high", header->highText()},
                    {"low", header->lowText()},
                    {"location", header->locationName()},
                    {"line1", header->conditionsLine1()},
                    {"line2", header->conditionsLine2()},
                    {"image", header->conditionsImage() ? ids_.idOf(header->conditionsImage())
                                                        : std::string()}};
    std::optional<std::string> imageName = header->conditionsImageName();
    out["texts"]["imageName"] = imageName ? json(*imageName) : json(nullptr);
    json colors = json::object();
    for (const auto& [name, label] : header->labels()) colors[name] = colorJson(label->textColor());
    out["textColors"] = colors;
  }
  if (auto* label = dynamic_cast<const host::Label*>(view.get())) {
    out["text"] = label->text();
    out["textColor"] = colorJson(label->textColor());
  }
  return out;
}

json Describer::time(const std::optional<host::Date>& date) const {
  if (!date) return nullptr;
  return number(date->secondsSince1970 - start_);
}

json Describer::city(const std::shared_ptr<host::City>& city) {
  if (!city) return nullptr;
  json out = {{"id", ids_.idOf(city)},
              {"name", sim::describeCity(city.get())},
              {"conditionCode", city->conditionCode()},
              {"isDay", city->isDay()},
              {"updateTime", time(city->updateTime())}};
  auto* simCity = dynamic_cast<const sim::SimCity*>(city.get());
  out["autoUpdate"] = simCity ? json(simCity->autoUpdate()) : json(nullptr);
  std::shared_ptr<host::Location> location = city->location();
  out["latitude"] = location ? number(location->coordinate().latitude) : json(nullptr);
  out["longitude"] = location ? number(location->coordinate().longitude) : json(nullptr);
  std::shared_ptr<host::Temperature> temperature = city->temperature();
  out["temperature"] = temperature ? number(temperature->celsius()) : json(nullptr);
  json hourly = json::array();
  for (const auto& forecast : city->hourlyForecasts())
    if (forecast && forecast->temperature())
      hourly.push_back(number(forecast->temperature()->celsius()));
  out["hourly"] = hourly;
  return out;
}

json Describer::timer(const std::shared_ptr<host::Timer>& timer) {
  if (!timer) return nullptr;
  return {{"id", ids_.idOf(timer)},
          {"interval", number(timer->timeInterval())},
          {"valid", timer->isValid()}};
}

json Describer::tree(const std::shared_ptr<host::View>& root, int depthLimit) {
  json node = view(root);
  if (!root) return node;
  json children = json::array();
  if (depthLimit > 0)
    for (const auto& sub : root->subviews()) children.push_back(tree(sub, depthLimit - 1));
  node["subviews"] = children;
  return node;
}

json Describer::exported(const ExportedState& s) {
  auto viewOf = [&](std::shared_ptr<host::WeatherBackground>* field) -> json {
    return field ? view(*field) : json(nullptr);
  };
  auto cityOf = [&](std::shared_ptr<host::City>* field) -> json {
    return field ? city(*field) : json(nullptr);
  };
  json out;
  out["weatherView"] = viewOf(s.weatherView);
  out["city"] = cityOf(s.city);
  out["backupCity"] = cityOf(s.backupCity);
  out["lastUpdate"] = s.lastUpdate ? time(*s.lastUpdate) : json(nullptr);
  out["weatherBackground"] = viewOf(s.weatherBackground);
  out["randomTimer"] = s.randomTimer ? timer(*s.randomTimer) : json(nullptr);
  out["wthrView"] = nullptr;
  if (s.wthrView && *s.wthrView) {
    auto controller = *s.wthrView;
    out["wthrView"] = {{"id", ids_.idOf(controller)}, {"view", view(controller->view())}};
  }
  out["weatherHeaderView"] = s.weatherHeaderView ? view(*s.weatherHeaderView) : json(nullptr);
  out["alertShown"] = s.alertShown ? json(*s.alertShown) : json(nullptr);
  return out;
}

}  // namespace nimsim
