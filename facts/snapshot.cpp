// The snapshot's JSON, each part written here once from its facts.
#include "facts/snapshot.h"

#include <cmath>

namespace facts {
namespace {

template <class T>
json orNull(const std::optional<T>& value) {
  return value ? json(*value) : json(nullptr);
}

json rectJson(const Rect& r) {
  return {{"x", number(r.x)},
          {"y", number(r.y)},
          {"width", number(r.width)},
          {"height", number(r.height)}};
}

json coordinateJson(const Coordinate& at) {
  return {{"latitude", number(at.latitude)}, {"longitude", number(at.longitude)}};
}

json transformJson(const Transform& t) {
  return {{"a", number(t.a)}, {"b", number(t.b)},   {"c", number(t.c)},
          {"d", number(t.d)}, {"tx", number(t.tx)}, {"ty", number(t.ty)}};
}

void addBackground(json& out, const BackgroundPart& bg) {
  out["number"] = bg.number;
  out["city"] = orNull(bg.city);
  out["cityId"] = orNull(bg.cityId);
  out["cityLocation"] = bg.cityLocation ? coordinateJson(*bg.cityLocation) : json(nullptr);
  out["gradientLayer"] = bg.gradientLayer;
  out["binds"] = bg.binds;
  if (bg.drawnCondition) out["drawnCondition"] = *bg.drawnCondition;
  if (bg.drawnIsDay) out["drawnIsDay"] = *bg.drawnIsDay;
}

void addHeader(json& out, const HeaderPart& h) {
  out["texts"] = {{"temperature", h.temperature},
                  {"high", h.high},
                  {"low", h.low},
                  {"location", h.location},
                  {"line1", h.line1},
                  {"line2", h.line2},
                  {"image", h.image},
                  {"imageName", orNull(h.imageName)}};
  json colors = json::object();
  for (const auto& [name, color] : h.textColors) colors[name] = orNull(color);
  out["textColors"] = colors;
}

json dateLabelJson(const std::optional<DateLabelFacts>& l) {
  if (!l) return nullptr;
  return {{"hidden", l->hidden},
          {"alpha", number(l->alpha)},
          {"text", l->label.text},
          {"textColor", orNull(l->label.textColor)},
          {"id", l->id}};
}

}  // namespace

json number(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  return value;
}

json viewJson(const ViewFacts& v) {
  json out = {{"id", v.id},
              {"class", v.className},
              {"frame", rectJson(v.frame)},
              {"windowFrame", rectJson(v.windowFrame)},
              {"transform", transformJson(v.transform)},
              {"alpha", number(v.alpha)},
              {"hidden", v.hidden},
              {"tag", v.tag},
              {"superview", orNull(v.superview)},
              {"subviewIds", v.subviewIds},
              {"tree", orNull(v.tree)},
              {"inWindow", v.inWindow}};
  if (v.background) addBackground(out, *v.background);
  if (v.header) addHeader(out, *v.header);
  if (v.label) {
    out["text"] = v.label->text;
    out["textColor"] = orNull(v.label->textColor);
  }
  return out;
}

json bindingJson(const json& background) {
  json out;
  for (const char* key : {"id", "class", "city", "cityId", "superview", "tree", "gradientLayer"})
    out[key] = background.value(key, json(nullptr));
  return out;
}

json cityJson(const CityFacts& c) {
  json hourly = json::array();
  for (double reading : c.hourly) hourly.push_back(number(reading));
  return {{"id", c.id},
          {"name", c.name},
          {"conditionCode", c.conditionCode},
          {"isDay", c.isDay},
          {"updateTime", c.updateTime ? number(*c.updateTime) : json(nullptr)},
          {"autoUpdate", orNull(c.autoUpdate)},
          {"latitude", c.location ? number(c.location->latitude) : json(nullptr)},
          {"longitude", c.location ? number(c.location->longitude) : json(nullptr)},
          {"temperature", c.temperature ? number(*c.temperature) : json(nullptr)},
          {"hourly", hourly}};
}

json timerJson(const TimerFacts& t) {
  return {{"id", t.id}, {"interval", number(t.interval)}, {"valid", t.valid}};
}

json scheduledTimerJson(const ScheduledTimerFacts& t) {
  return {{"id", t.id},
          {"description", t.description},
          {"selector", t.selector},
          {"interval", number(t.interval)},
          {"repeats", t.repeats},
          {"valid", t.valid},
          {"nextFire", number(t.nextFire)}};
}

json addonJson(const AddonFacts& a) {
  json out = {
      {"weatherView", a.weatherView},
      {"city", a.city},
      {"backupCity", a.backupCity},
      {"lastUpdate", a.lastUpdate ? number(*a.lastUpdate) : json(nullptr)},
      {"weatherBackground", a.weatherBackground},
      {"randomTimer", a.randomTimer},
      {"wthrView",
       a.wthrView ? json{{"id", a.wthrView->first}, {"view", a.wthrView->second}} : json(nullptr)},
      {"weatherHeaderView", a.weatherHeaderView},
      {"alertShown", orNull(a.alertShown)},
      {"loaded", a.loaded}};
  if (a.loaded) out["missingSymbols"] = a.missingSymbols;
  return out;
}

json lockScreenJson(const LockScreenFacts& l) {
  json out = {{"dateView", l.dateView},
              {"dateContainer", l.dateContainer},
              {"timeLabel", dateLabelJson(l.timeLabel)},
              {"dateLine", dateLabelJson(l.dateLine)}};
  if (l.dateView.is_null()) return out;
  out["subtitleHidden"] = l.subtitleHidden;
  out["dateHidden"] = l.dateHidden;
  return out;
}

json homeScreenJson(const std::vector<WallpaperFacts>& wallpapers) {
  json views = json::array();
  for (const auto& w : wallpapers)
    views.push_back({{"variant", w.variant},
                     {"view", w.view},
                     {"hostView", w.hostView},
                     {"backgrounds", w.backgrounds}});
  return {{"wallpaperViews", views}};
}

json alertJson(const AlertShown& a, bool visible) {
  return {{"title", a.title},
          {"message", a.message},
          {"buttons", a.buttons},
          {"tag", a.tag},
          {"delegate", orNull(a.delegateClass)},
          {"visible", visible}};
}

json weatherAppJson(const WeatherAppFacts& w) {
  return {{"localCity", w.localCity},
          {"savedCities", w.savedCities ? json(*w.savedCities) : json(nullptr)},
          {"celsius", w.celsius}};
}

json shellPartsJson(const ShellParts& p) {
  json bindings = json::array();
  for (const json& background : p.backgrounds) bindings.push_back(bindingJson(background));
  return {{"addon", p.addon},
          {"lockScreen", p.lockScreen},
          {"homeScreen", p.homeScreen},
          {"views", {{"lockScreen", p.lockScreenTree}, {"wallpaper", p.wallpaperTree}}},
          {"bindings", bindings},
          {"timers", p.timers},
          {"alerts", p.alerts},
          {"random", {{"scripted", p.scriptedRandom}}}};
}

json processJson(const ProcessFacts& p) {
  return {{"generation", p.generation},
          {"bundle", p.bundle},
          {"arguments", p.arguments},
          {"home", p.home},
          {"addonLoaded", p.addonLoaded}};
}

json shellJson(const ShellFacts& s) {
  return {{"locked", s.locked},
          {"display", orNull(s.display)},
          {"landscape", s.landscape},
          {"parallax", orNull(s.parallax)},
          {"assetName", orNull(s.assetName)},
          {"assetAsked", s.assetAsked}};
}

json worldJson(const WorldFacts& w) {
  json out = {{"time", number(w.time)}, {"device", w.device}, {"process", nullptr}};
  if (!w.process) return out;
  out.update(w.shellParts);
  out["process"] = processJson(*w.process);
  out["files"] = w.files;
  out["settings"] = w.settings;
  out["weather"] = w.weather;
  out["shell"] = shellJson(w.shell);
  return out;
}

}  // namespace facts
