// The snapshot read from the Objective-C objects.
#include "simulator/objc_shell/describe.h"

#include <dlfcn.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "facts/snapshot.h"
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

facts::Rect rectOf(const CGRect& r) {
  return {r.origin.x, r.origin.y, r.size.width, r.size.height};
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

std::optional<facts::Coordinate> coordinateOf(id location) {
  if (!location) return std::nullopt;
  const auto at = msg<CLLocationCoordinate2D>(location, "coordinate");
  return facts::Coordinate{at.latitude, at.longitude};
}

std::optional<std::string> colorName(id color) {
  if (!color) return std::nullopt;
  if (color == msg(classNamed("UIColor"), "whiteColor")) return "white";
  if (color == msg(classNamed("UIColor"), "blackColor")) return "black";
  return className(color);
}

id lockScreenRoot() { return state().layout.lockWindow; }

// The date view once the controller has built it.
id builtDateView() { return dateViewOf(state().shell.dateViewController); }

std::optional<std::string> treeName(id root) {
  if (root == wallpaperRoot(state().layout)) return "wallpaper";
  if (root && root == lockScreenRoot()) return "lockScreen";
  return std::nullopt;
}

facts::BackgroundPart backgroundPart(id view) {
  ProcessState& s = state();
  id city = msg(view, "city");
  facts::BackgroundPart out{.number = s.backgrounds[view].number,
                            .gradientLayer = msg<BOOL>(view, "gradientLayer") != 0,
                            .binds = s.backgrounds[view].binds};
  if (city) {
    out.city = describeCity(city);
    out.cityId = s.idOf(city);
    out.cityLocation = coordinateOf(msg(city, "location"));
  }
  if (msg<BOOL>(view, "drewCity")) {
    out.drawnCondition = msg<long>(view, "drawnCondition");
    out.drawnIsDay = msg<BOOL>(view, "drawnIsDay") != 0;
  }
  return out;
}

facts::HeaderPart headerPart(id view) {
  auto string = [&](const char* selector) { return text(msg(view, selector)).value_or(""); };
  id image = msg(view, "conditionsImage");
  facts::HeaderPart out{string("temperature"),
                        string("temperatureHigh"),
                        string("temperatureLow"),
                        string("locationName"),
                        string("conditionsLine1"),
                        string("conditionsLine2"),
                        image ? state().idOf(image) : std::string(),
                        image ? text(msg(image, "name")) : std::nullopt};
  for (const auto& [name, ivar] : {std::pair{"location", "_locationLabel"},
                                   {"line1", "_line1Label"},
                                   {"temperature", "_temperatureLabel"},
                                   {"high", "_highLabel"},
                                   {"low", "_lowLabel"},
                                   {"line2", "_line2Label"}})
    out.textColors.emplace_back(name, colorName(msg(ivarObject(view, ivar), "textColor")));
  return out;
}

json viewJson(id view) {
  if (!view) return nullptr;
  ProcessState& s = state();
  const auto t = msg<CGAffineTransform>(view, "transform");
  id superview = msg(view, "superview");
  // Ids are numbered as first seen: the subviews', then the view's, then its superview's.
  std::vector<std::string> subviewIds;
  for (id sub : subviewsOf(view)) subviewIds.push_back(s.idOf(sub));
  facts::ViewFacts out{.id = s.idOf(view),
                       .className = className(view),
                       .frame = rectOf(msg<CGRect>(view, "frame")),
                       .windowFrame = rectOf(windowFrame(view)),
                       .transform = {t.a, t.b, t.c, t.d, t.tx, t.ty},
                       .alpha = msg<double>(view, "alpha"),
                       .hidden = msg<BOOL>(view, "isHidden") != 0,
                       .tag = msg<long>(view, "tag"),
                       .tree = treeName(rootOf(view)),
                       .inWindow = inWindow(view)};
  if (superview) out.superview = s.idOf(superview);
  out.subviewIds = std::move(subviewIds);
  if (isKind(view, "WUIDynamicWeatherBackground")) out.background = backgroundPart(view);
  if (isKind(view, "WATodayHeaderView")) out.header = headerPart(view);
  if (isKind(view, "UILabel"))
    out.label =
        facts::LabelPart{text(msg(view, "text")).value_or(""), colorName(msg(view, "textColor"))};
  return facts::viewJson(out);
}

json treeJson(id view) { return facts::treeJson(view, viewJson, subviewsOf); }

json cityJson(id city, double start) {
  if (!city) return nullptr;
  facts::CityFacts out{.id = state().idOf(city),
                       .name = describeCity(city),
                       .conditionCode = msg<long>(city, "conditionCode"),
                       .isDay = msg<BOOL>(city, "isDay") != 0,
                       .autoUpdate = msg<BOOL>(city, "autoUpdate") != 0,
                       .location = coordinateOf(msg(city, "location"))};
  if (id date = msg(city, "updateTime"))
    out.updateTime = msg<double>(date, "timeIntervalSince1970") - start;
  if (id temperature = msg(city, "temperature"))
    out.temperature = msg<double>(temperature, "celsius");
  id forecasts = msg(city, "hourlyForecasts");
  const auto count = msg<unsigned long>(forecasts, "count");
  for (unsigned long i = 0; i < count; ++i)
    if (id reading = msg(msg(forecasts, "objectAtIndex:", i), "temperature"))
      out.hourly.push_back(msg<double>(reading, "celsius"));
  return facts::cityJson(out);
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
  id timer = objectIn(exported.randomTimer);
  facts::AddonFacts out{
      .weatherView = viewJson(objectIn(exported.weatherView)),
      .city = cityJson(objectIn(exported.city), start),
      .backupCity = cityJson(objectIn(exported.backupCity), start),
      .weatherBackground = viewJson(objectIn(exported.weatherBackground)),
      .randomTimer = timer ? facts::timerJson({s.idOf(timer), msg<double>(timer, "timeInterval"),
                                               msg<BOOL>(timer, "isValid") != 0})
                           : json(nullptr),
      .loaded = s.addonLoaded,
      .missingSymbols = exported.missing};
  // Described in this order, which numbers the objects they show first.
  if (id controller = objectIn(exported.wthrView))
    out.wthrView = std::pair{s.idOf(controller), viewJson(msg(controller, "view"))};
  out.weatherHeaderView = viewJson(objectIn(exported.weatherHeaderView));
  if (exported.lastUpdate && *exported.lastUpdate)
    out.lastUpdate = (*exported.lastUpdate)->secondsSince1970 - start;
  if (exported.alertShown) out.alertShown = *exported.alertShown;
  return facts::addonJson(out);
}

std::optional<facts::DateLabelFacts> dateLabel(id label) {
  if (!label) return std::nullopt;
  return facts::DateLabelFacts{
      state().idOf(label),
      msg<BOOL>(label, "isHidden") != 0,
      msg<double>(label, "alpha"),
      {text(msg(label, "text")).value_or(""), colorName(msg(label, "textColor"))}};
}

json lockScreenJson() {
  facts::LockScreenFacts out;
  id dateView = builtDateView();
  out.dateView = viewJson(dateView);
  out.dateContainer = viewJson(state().layout.dateContainer);
  if (dateView) {
    out.timeLabel = dateLabel(ivarObject(dateView, "_timeLabel"));
    out.dateLine = dateLabel(msg(dateView, "dateLine"));
    out.subtitleHidden = msg<BOOL>(dateView, "subtitleHidden") != 0;
    out.dateHidden = msg<BOOL>(dateView, "dateHidden") != 0;
  }
  return facts::lockScreenJson(out);
}

void collectBackgrounds(id view, std::vector<id>& out, int depth = 0) {
  if (!view || depth > 64) return;
  if (isKind(view, "WUIDynamicWeatherBackground")) out.push_back(view);
  for (id sub : subviewsOf(view)) collectBackgrounds(sub, out, depth + 1);
}

json homeScreenJson() {
  std::vector<facts::WallpaperFacts> wallpapers;
  const auto& all = state().layout.wallpapers;
  for (std::size_t i = 0; i < all.size(); ++i) {
    id hostView = msg(all[i], "superview");
    std::vector<id> backgrounds;
    collectBackgrounds(hostView, backgrounds);
    facts::WallpaperFacts& w = wallpapers.emplace_back(facts::WallpaperFacts{variantName(i)});
    for (id bg : backgrounds) w.backgrounds.push_back(viewJson(bg));
    w.view = viewJson(all[i]);
    w.hostView = viewJson(hostView);
  }
  return facts::homeScreenJson(wallpapers);
}

facts::AlertShown alertFacts(id alert) {
  id delegate = msg(alert, "delegate");
  return {text(msg(alert, "title")).value_or(""), text(msg(alert, "message")).value_or(""),
          alertButtons(alert), msg<long>(alert, "tag"),
          delegate ? std::optional(className(delegate)) : std::nullopt};
}

json weatherJson(double start) {
  id prefs = msg(deviceClass("WeatherPreferences"), "sharedPreferences");
  if (!prefs) return nullptr;
  id cities = msg(msg(msg(prefs, "userDefaultsPersistence"), "userDefaults"),
                  "objectForKey:", makeString("Cities"));
  // The saved cities first: describing them numbers the cities they make.
  facts::WeatherAppFacts out;
  if (cities) out.savedCities.emplace();
  const auto count = msg<unsigned long>(cities, "count");
  for (unsigned long i = 0; cities && i < count; ++i)
    out.savedCities->push_back(cityJson(
        msg(prefs, "cityFromPreferencesDictionary:", msg(cities, "objectAtIndex:", i)), start));
  out.localCity = cityJson(msg(prefs, "localWeatherCity"), start);
  out.celsius = msg<BOOL>(prefs, "isCelsius") != 0;
  return facts::weatherAppJson(out);
}

}  // namespace

std::vector<std::string> alertButtons(id alert) {
  std::vector<std::string> titles;
  const long count = msg<long>(alert, "numberOfButtons");
  for (long i = 0; i < count; ++i)
    titles.push_back(text(msg(alert, "buttonTitleAtIndex:", i)).value_or(""));
  return titles;
}

std::string describeCity(id city) {
  return facts::cityName(city != nullptr, city ? text(msg(city, "name")) : std::nullopt);
}

namespace {

// What only a request can change: read once for consecutive snapshots, as expectations in a
// row ask for them, and not sent again.
json shellParts(double start) {
  ProcessState& s = state();
  facts::ShellParts parts{
      .addon = addonJson(start),
      .lockScreen = lockScreenJson(),
      .homeScreen = homeScreenJson(),
      .lockScreenTree = treeJson(lockScreenRoot()),
      .wallpaperTree = treeJson(wallpaperRoot(s.layout)),
      .scriptedRandom = {s.random.scripted().begin(), s.random.scripted().end()}};
  std::vector<id> backgrounds;
  collectBackgrounds(lockScreenRoot(), backgrounds);
  collectBackgrounds(s.shell.window, backgrounds);
  for (id bg : backgrounds) parts.backgrounds.push_back(viewJson(bg));
  parts.timers = timersJson(start);
  id alerts = TSVisibleAlerts();
  const auto count = msg<unsigned long>(alerts, "count");
  for (unsigned long i = 0; i < count; ++i) {
    id alert = msg(alerts, "objectAtIndex:", i);
    parts.alerts.push_back(facts::alertJson(alertFacts(alert), msg<BOOL>(alert, "isVisible") != 0));
  }
  return facts::shellPartsJson(parts);
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
