// The snapshot read from the Objective-C objects.
#include "simulator/objc_shell/describe.h"

#include <dlfcn.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "host/platform.h"
#include "objc/binding/registry.h"
#include "simulator/exported_state.h"
#include "simulator/objc_shell/process_report.h"
#include "simulator/objc_shell/process_state.h"
#include "simulator/objc_shell/runtime_access.h"
#include "simulator/objc_shell/runtime_watch.h"

namespace nimsim::objcshell {
namespace {

using nimbrel::objc::CGAffineTransform;
using nimbrel::objc::CGPoint;
using nimbrel::objc::CGRect;
using nimbrel::objc::CLLocationCoordinate2D;
using nlohmann::json;

json rectJson(const CGRect& r) {
  return {{"x", number(r.origin.x)},
          {"y", number(r.origin.y)},
          {"width", number(r.size.width)},
          {"height", number(r.size.height)}};
}

std::vector<id> subviewsOf(id view) {
  std::vector<id> out;
  id subviews = msg(view, "subviews");
  const auto count = msg<unsigned long>(subviews, "count");
  for (unsigned long i = 0; i < count; ++i) out.push_back(msg(subviews, "objectAtIndex:", i));
  return out;
}

}  // namespace

// Read from the controller's instance variable: -dateView is the add-on's to answer, and
// asking it would bind the background again.
id dateViewOf(id controller) { return ivarObject(controller, "_dateView"); }

namespace {

id rootOf(id view) {
  for (int depth = 0; depth < 256; ++depth) {
    id up = msg(view, "superview");
    if (!up) break;
    view = up;
  }
  return view;
}

// The view's bounds in its window, through every transform up the tree, as a bounding box.
CGRect windowFrame(id view) {
  id root = rootOf(view);
  if (root == view) return msg<CGRect>(view, "frame");
  const CGRect b = msg<CGRect>(view, "bounds");
  const CGPoint origin = msg<CGRect>(root, "frame").origin;
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (CGPoint corner : {b.origin, CGPoint{b.origin.x + b.size.width, b.origin.y},
                         CGPoint{b.origin.x, b.origin.y + b.size.height},
                         CGPoint{b.origin.x + b.size.width, b.origin.y + b.size.height}}) {
    CGPoint p = msg<CGPoint>(view, "convertPoint:toView:", corner, static_cast<id>(nullptr));
    minX = std::fmin(minX, p.x + origin.x);
    minY = std::fmin(minY, p.y + origin.y);
    maxX = std::fmax(maxX, p.x + origin.x);
    maxY = std::fmax(maxY, p.y + origin.y);
  }
  return {{minX, minY}, {maxX - minX, maxY - minY}};
}

bool inWindow(id view) {
  for (id at = view; at; at = msg(at, "superview"))
    if (isKind(at, "UIWindow")) return true;
  return false;
}

json coordinateJson(id location) {
  const auto at = msg<CLLocationCoordinate2D>(location, "coordinate");
  return {{"latitude", number(at.latitude)}, {"longitude", number(at.longitude)}};
}

json colorName(id color) {
  if (!color) return nullptr;
  if (color == msg(classNamed("UIColor"), "whiteColor")) return "white";
  if (color == msg(classNamed("UIColor"), "blackColor")) return "black";
  return className(color);
}

id lockScreenRoot() { return state().layout.lockWindow; }

// The date view once the controller has built it.
id builtDateView() { return dateViewOf(state().shell.dateViewController); }

json treeName(id root) {
  if (root == wallpaperRoot(state().layout)) return "wallpaper";
  if (root && root == lockScreenRoot()) return "lockScreen";
  return nullptr;
}

json cityJson(id city, double start);

json viewJson(id view, double start) {
  if (!view) return nullptr;
  ProcessState& s = state();
  const auto t = msg<CGAffineTransform>(view, "transform");
  id superview = msg(view, "superview");
  json subviewIds = json::array();
  for (id sub : subviewsOf(view)) subviewIds.push_back(s.idOf(sub));
  json out = {{"id", s.idOf(view)},
              {"class", className(view)},
              {"frame", rectJson(msg<CGRect>(view, "frame"))},
              {"windowFrame", rectJson(windowFrame(view))},
              {"transform",
               {{"a", number(t.a)},
                {"b", number(t.b)},
                {"c", number(t.c)},
                {"d", number(t.d)},
                {"tx", number(t.tx)},
                {"ty", number(t.ty)}}},
              {"alpha", number(msg<double>(view, "alpha"))},
              {"hidden", msg<BOOL>(view, "isHidden") != 0},
              {"tag", msg<long>(view, "tag")},
              {"superview", superview ? json(s.idOf(superview)) : json(nullptr)},
              {"subviewIds", subviewIds},
              {"tree", treeName(rootOf(view))},
              {"inWindow", inWindow(view)}};
  if (isKind(view, "WUIDynamicWeatherBackground")) {
    id city = msg(view, "city");
    out["number"] = s.backgrounds[view].number;
    out["city"] = city ? json(describeCity(city)) : json(nullptr);
    out["cityId"] = city ? json(s.idOf(city)) : json(nullptr);
    id location = city ? msg(city, "location") : nullptr;
    out["cityLocation"] = location ? coordinateJson(location) : json(nullptr);
    out["gradientLayer"] = msg<BOOL>(view, "gradientLayer") != 0;
    out["binds"] = s.backgrounds[view].binds;
    if (msg<BOOL>(view, "drewCity")) {
      out["drawnCondition"] = msg<long>(view, "drawnCondition");
      out["drawnIsDay"] = msg<BOOL>(view, "drawnIsDay") != 0;
    }
  }
  if (isKind(view, "WATodayHeaderView")) {
    auto string = [&](const char* selector) { return text(msg(view, selector)).value_or(""); };
    id image = msg(view, "conditionsImage");
    out["texts"] = {{"temperature", string("temperature")},
                    {"high", string("temperatureHigh")},
                    {"low", string("temperatureLow")},
                    {"location", string("locationName")},
                    {"line1", string("conditionsLine1")},
                    {"line2", string("conditionsLine2")},
                    {"image", image ? s.idOf(image) : std::string()}};
    std::optional<std::string> imageName = image ? text(msg(image, "name")) : std::nullopt;
    out["texts"]["imageName"] = imageName ? json(*imageName) : json(nullptr);
    json colors = json::object();
    for (const auto& [name, ivar] : {std::pair{"location", "_locationLabel"},
                                     {"line1", "_line1Label"},
                                     {"temperature", "_temperatureLabel"},
                                     {"high", "_highLabel"},
                                     {"low", "_lowLabel"},
                                     {"line2", "_line2Label"}})
      colors[name] = colorName(msg(ivarObject(view, ivar), "textColor"));
    out["textColors"] = colors;
  }
  if (isKind(view, "UILabel")) {
    out["text"] = text(msg(view, "text")).value_or("");
    out["textColor"] = colorName(msg(view, "textColor"));
  }
  (void)start;
  return out;
}

json treeJson(id view, double start, int depth = 64) {
  json node = viewJson(view, start);
  if (!view) return node;
  json children = json::array();
  if (depth > 0)
    for (id sub : subviewsOf(view)) children.push_back(treeJson(sub, start, depth - 1));
  node["subviews"] = children;
  return node;
}

json timeJson(id date, double start) {
  if (!date) return nullptr;
  return number(msg<double>(date, "timeIntervalSince1970") - start);
}

json cityJson(id city, double start) {
  if (!city) return nullptr;
  json out = {{"id", state().idOf(city)},
              {"name", describeCity(city)},
              {"conditionCode", msg<long>(city, "conditionCode")},
              {"isDay", msg<BOOL>(city, "isDay") != 0},
              {"updateTime", timeJson(msg(city, "updateTime"), start)},
              {"autoUpdate", msg<BOOL>(city, "autoUpdate") != 0}};
  id location = msg(city, "location");
  auto at =
      location ? msg<CLLocationCoordinate2D>(location, "coordinate") : CLLocationCoordinate2D{0, 0};
  out["latitude"] = location ? number(at.latitude) : json(nullptr);
  out["longitude"] = location ? number(at.longitude) : json(nullptr);
  id temperature = msg(city, "temperature");
  out["temperature"] = temperature ? number(msg<double>(temperature, "celsius")) : json(nullptr);
  json hourly = json::array();
  id forecasts = msg(city, "hourlyForecasts");
  const auto count = msg<unsigned long>(forecasts, "count");
  for (unsigned long i = 0; i < count; ++i)
    if (id reading = msg(msg(forecasts, "objectAtIndex:", i), "temperature"))
      hourly.push_back(number(msg<double>(reading, "celsius")));
  out["hourly"] = hourly;
  return out;
}

// An exported field's object: the Objective-C object behind the add-on's host object.
template <class T>
id objectIn(std::shared_ptr<T>* field) {
  return field ? nimbrel::objc::unwrap(field->get()) : nullptr;
}

json addonJson(double start) {
  ProcessState& s = state();
  const ExportedState exported = readExportedState(
      [&s](const char* name) { return s.addonLoaded ? dlsym(s.addon, name) : nullptr; });
  json out;
  out["weatherView"] = viewJson(objectIn(exported.weatherView), start);
  out["city"] = cityJson(objectIn(exported.city), start);
  out["backupCity"] = cityJson(objectIn(exported.backupCity), start);
  const std::optional<host::Date>* lastUpdate = exported.lastUpdate;
  out["lastUpdate"] =
      lastUpdate && *lastUpdate ? number((*lastUpdate)->secondsSince1970 - start) : json(nullptr);
  out["weatherBackground"] = viewJson(objectIn(exported.weatherBackground), start);
  id timer = objectIn(exported.randomTimer);
  out["randomTimer"] = timer ? json{{"id", s.idOf(timer)},
                                    {"interval", number(msg<double>(timer, "timeInterval"))},
                                    {"valid", msg<BOOL>(timer, "isValid") != 0}}
                             : json(nullptr);
  id controller = objectIn(exported.wthrView);
  out["wthrView"] = controller ? json{{"id", s.idOf(controller)},
                                      {"view", viewJson(msg(controller, "view"), start)}}
                               : json(nullptr);
  out["weatherHeaderView"] = viewJson(objectIn(exported.weatherHeaderView), start);
  out["alertShown"] = exported.alertShown ? json(*exported.alertShown) : json(nullptr);
  out["loaded"] = s.addonLoaded;
  if (s.addonLoaded) out["missingSymbols"] = exported.missing;
  return out;
}

json labelJson(id label) {
  if (!label) return nullptr;
  return {{"hidden", msg<BOOL>(label, "isHidden") != 0},
          {"alpha", number(msg<double>(label, "alpha"))},
          {"text", text(msg(label, "text")).value_or("")},
          {"textColor", colorName(msg(label, "textColor"))},
          {"id", state().idOf(label)}};
}

json lockScreenJson(double start) {
  id dateView = builtDateView();
  if (!dateView)
    return {{"dateView", nullptr},
            {"dateContainer", viewJson(state().layout.dateContainer, start)},
            {"timeLabel", nullptr},
            {"dateLine", nullptr}};
  return {{"dateView", viewJson(dateView, start)},
          {"dateContainer", viewJson(state().layout.dateContainer, start)},
          {"timeLabel", labelJson(ivarObject(dateView, "_timeLabel"))},
          {"dateLine", labelJson(msg(dateView, "dateLine"))},
          {"subtitleHidden", msg<BOOL>(dateView, "subtitleHidden") != 0},
          {"dateHidden", msg<BOOL>(dateView, "dateHidden") != 0}};
}

void collectBackgrounds(id view, std::vector<id>& out, int depth = 0) {
  if (!view || depth > 64) return;
  if (isKind(view, "WUIDynamicWeatherBackground")) out.push_back(view);
  for (id sub : subviewsOf(view)) collectBackgrounds(sub, out, depth + 1);
}

json homeScreenJson(double start) {
  json views = json::array();
  const auto& wallpapers = state().layout.wallpapers;
  for (std::size_t i = 0; i < wallpapers.size(); ++i) {
    id hostView = msg(wallpapers[i], "superview");
    std::vector<id> backgrounds;
    collectBackgrounds(hostView, backgrounds);
    json listed = json::array();
    for (id bg : backgrounds) listed.push_back(viewJson(bg, start));
    views.push_back({{"variant", variantName(i)},
                     {"view", viewJson(wallpapers[i], start)},
                     {"hostView", viewJson(hostView, start)},
                     {"backgrounds", listed}});
  }
  return {{"wallpaperViews", views}};
}

json bindingsJson(double start) {
  std::vector<id> backgrounds;
  collectBackgrounds(lockScreenRoot(), backgrounds);
  collectBackgrounds(state().shell.window, backgrounds);
  json out = json::array();
  for (id bg : backgrounds) {
    json v = viewJson(bg, start);
    out.push_back({{"id", v["id"]},
                   {"class", v["class"]},
                   {"city", v["city"]},
                   {"cityId", v["cityId"]},
                   {"superview", v["superview"]},
                   {"tree", v["tree"]},
                   {"gradientLayer", v["gradientLayer"]}});
  }
  return out;
}

json alertsJson() {
  json out = json::array();
  id alerts = TSVisibleAlerts();
  const auto count = msg<unsigned long>(alerts, "count");
  for (unsigned long i = 0; i < count; ++i) {
    id alert = msg(alerts, "objectAtIndex:", i);
    id delegate = msg(alert, "delegate");
    out.push_back({{"title", text(msg(alert, "title")).value_or("")},
                   {"message", text(msg(alert, "message")).value_or("")},
                   {"buttons", alertButtons(alert)},
                   {"tag", msg<long>(alert, "tag")},
                   {"delegate", delegate ? json(className(delegate)) : json(nullptr)},
                   {"visible", true}});
  }
  return out;
}

json weatherJson(double start) {
  id prefs = msg(deviceClass("WeatherPreferences"), "sharedPreferences");
  if (!prefs) return nullptr;
  id cities = msg(msg(msg(prefs, "userDefaultsPersistence"), "userDefaults"),
                  "objectForKey:", makeString("Cities"));
  json saved = json::array();
  const auto count = msg<unsigned long>(cities, "count");
  for (unsigned long i = 0; i < count; ++i)
    saved.push_back(cityJson(
        msg(prefs, "cityFromPreferencesDictionary:", msg(cities, "objectAtIndex:", i)), start));
  return {{"localCity", cityJson(msg(prefs, "localWeatherCity"), start)},
          {"savedCities", cities ? saved : json(nullptr)},
          {"celsius", msg<BOOL>(prefs, "isCelsius") != 0}};
}

}  // namespace

std::vector<std::string> alertButtons(id alert) {
  std::vector<std::string> titles;
  const long count = msg<long>(alert, "numberOfButtons");
  for (long i = 0; i < count; ++i)
    titles.push_back(text(msg(alert, "buttonTitleAtIndex:", i)).value_or(""));
  return titles;
}

std::string describeAlert(id alert) {
  std::string buttons;
  for (const std::string& title : alertButtons(alert))
    buttons += (buttons.empty() ? "" : ", ") + title;
  id delegate = msg(alert, "delegate");
  auto quoted = [](id string) { return "\"" + text(string).value_or("") + "\""; };
  return quoted(msg(alert, "title")) + ": " + quoted(msg(alert, "message")) + " buttons [" +
         buttons + "] tag " + std::to_string(msg<long>(alert, "tag")) + " delegate " +
         (delegate ? className(delegate) : std::string("nil"));
}

std::string describeCity(id city) {
  if (!city) return "no city";
  std::optional<std::string> name = text(msg(city, "name"));
  return name && !name->empty() ? *name : "unnamed city";
}

namespace {

// What only a request can change: read once for consecutive snapshots, as expectations in a
// row ask for them, and not sent again.
json shellParts(double start) {
  json out;
  out["addon"] = addonJson(start);
  out["lockScreen"] = lockScreenJson(start);
  out["homeScreen"] = homeScreenJson(start);
  out["views"] = {{"lockScreen", treeJson(lockScreenRoot(), start)},
                  {"wallpaper", treeJson(wallpaperRoot(state().layout), start)}};
  out["bindings"] = bindingsJson(start);
  out["timers"] = timersJson(start);
  out["alerts"] = alertsJson();
  json scripted = json::array();
  for (std::uint32_t value : state().random.scripted()) scripted.push_back(value);
  out["random"] = {{"scripted", scripted}};
  return out;
}

}  // namespace

json processSnapshot(double start) {
  ProcessState& s = state();
  const id pool = msg(classNamed("NSAutoreleasePool"), "new");
  json out;
  if (s.lastSnapshotStart == start) {
    out["unchangedSinceLast"] = true;
  } else {
    out = shellParts(start);
    s.lastSnapshotStart = start;
  }
  // Read afresh each time: reading the saved cities makes new objects, which take new ids.
  out["weather"] = weatherJson(start);
  out.update(processReport());
  msg<void>(pool, "drain");
  return out;
}

}  // namespace nimsim::objcshell
