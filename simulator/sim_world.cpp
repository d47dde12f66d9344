// The world over the simulated platform: a temporary device, one process at a time.
#include "simulator/sim_world.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "host/object.h"
#include "sim/foundation/property_list.h"
#include "sim/process/process.h"
#include "sim/services/device_files.h"
#include "sim/views/tree.h"
#include "sim/weather/asset_loader.h"
#include "sim/weather/background.h"
#include "sim/weather/city.h"
#include "simulator/device_world.h"
#include "simulator/observe.h"
#include "simulator/trace.h"

namespace nimsim {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

constexpr const char* kAddonName = "Nimbrel";

std::string indent(const std::string& text) {
  std::istringstream in(text);
  std::string out;
  for (std::string line; std::getline(in, line);) out += "    " + line + "\n";
  return out;
}

void collectBackgrounds(const std::shared_ptr<host::View>& view,
                        std::vector<std::shared_ptr<host::View>>& out, int depth = 0) {
  if (!view || depth > 64) return;
  if (dynamic_cast<const sim::SimWeatherBackground*>(view.get())) out.push_back(view);
  for (const auto& sub : view->subviews()) collectBackgrounds(sub, out, depth + 1);
}

class SimWorld final : public DeviceWorld {
 public:
  SimWorld() { device_->installAddons(NIMBREL_STAGED_ADDONS); }

  ~SimWorld() override { process_.reset(); }

  // Processes.
  bool booted() const override { return process_ != nullptr; }

  void failNextWrite(sim::WriteFault fault) override { process().files().failNextWrite(fault); }
  // The Weather app: kept here and given to every process at boot, as the app's data is.
  void setLocalCity(LocalCity availability, const CitySetup& city) override {
    localCity_ = availability;
    localCitySetup_ = city;
    if (process_) applyLocalCity();
  }
  void addSavedCity(const std::optional<CitySetup>& city) override {
    host::Array cities = savedCities_.value_or(host::Array{});
    if (city)
      cities.push_back(sim::toDictionary(cityData(*city, now())));
    else
      cities.push_back(host::Dictionary{{"Invalid", host::Value(true)}});
    savedCities_ = cities;
    if (process_) applySavedCities();
  }
  void setSavedCities(bool present) override {
    savedCities_ = present ? std::optional<host::Array>(host::Array{}) : std::nullopt;
    if (process_) applySavedCities();
  }
  void setCelsius(bool celsius) override {
    celsius_ = celsius;
    if (process_) applySavedCities();
  }
  void openWeatherApp() override {
    appOpened_ = true;
    if (auto prefs = weatherPreferences()) prefs->openWeatherApp();
  }
  void queueUpdate(const UpdateSetup& update) override {
    pendingUpdates_.push_back(update);
    if (process_) applyUpdates();
  }
  void setAsset(std::int64_t condition, bool isDay, std::optional<std::string> name) override {
    assetEdits_[{condition, isDay}] = std::move(name);
    if (process_) applyCatalogueEdits();
  }
  void setConditionImage(const std::string& name, bool present) override {
    imageEdits_[name] = present;
    if (process_) applyCatalogueEdits();
  }
  void raiseAtNextBind() override {
    if (auto* backgrounds = process().weather().backgroundClass()) backgrounds->raiseAtNextBind();
  }
  void raiseAtNextContentView() override { process().shell().raiseAtNextContentView(); }

  // The shell.
  void postNotification(const std::string& name) override {
    // The shell has locked when it tells that locking is complete.
    if (name == kLockCompleteName) process().shell().lockScreenManager()->lockUI();
    process().darwinNotifyCenter().post(name);
    settle();
  }
  void setNotifyState(const std::string& name, std::uint64_t state) override {
    process().notifyState().setState(name, state);
  }
  void failNotify(const std::string& call, std::uint32_t status) override {
    if (call == "register")
      process().notifyState().failNextRegister(status);
    else
      process().notifyState().failNextGetState(status);
  }
  void requestDateView() override {
    process().shell().requestDateView();
    settle();
  }
  void finishUnlock() override {
    process().shell().finishUnlock(0, nullptr);
    settle();
  }
  void requestContentView(std::optional<std::size_t> index) override {
    sim::Shell& shell = process().shell();
    if (index && *index >= shell.wallpaperViewCount())
      throw std::invalid_argument("the shell has " + std::to_string(shell.wallpaperViewCount()) +
                                  " wallpaper views, numbered from 0");
    if (index)
      shell.requestContentView(*index);
    else
      for (std::size_t i = 0; i < shell.wallpaperViewCount(); ++i) shell.requestContentView(i);
    settle();
  }
  void layoutWallpaper() override {
    process().shell().layoutWallpaper();
    settle();
  }
  void rotate(bool landscape) override {
    process().rotate(landscape ? sim::Orientation::landscape : sim::Orientation::portrait);
    settle();
  }
  bool askAllowsParallax() override {
    parallax_ = process().shell().askAllowsParallax();
    return *parallax_;
  }
  std::optional<std::string> assetName(std::int64_t condition, bool isDay) override {
    auto loader = process().weather().assetLoader();
    if (!loader)
      throw std::invalid_argument("this system version has no WUIAsynchronousAssetLoader");
    assetName_ = loader->filenameForCondition(condition, isDay);
    assetAsked_ = true;
    return assetName_;
  }
  void dismissAlert() override {
    auto& visible = process().alerts().visibleAlerts();
    if (visible.empty()) throw std::invalid_argument("no alert is on screen to dismiss");
    process().alerts().dismiss(*visible.back(), 0);
  }
  void setTimeLabelAlpha(double alpha) override {
    builtDateView().timeLabelView()->setAlpha(alpha);
  }
  void moveView(const std::string& view, std::optional<std::size_t> index, double x,
                double y) override {
    host::View& target = shellView(view, index);
    target.setFrame({{x, y}, target.frame().size});
  }
  void scrollView(const std::string& view, std::optional<std::size_t> index, double x,
                  double y) override {
    sim::viewState(shellView(view, index)).setBoundsOrigin({x, y});
  }
  void embedWallpaperWindow() override { process().shell().embedWallpaperWindow(); }
  void loadLateFrameworks() override { process().loadLateFrameworks(); }
  void rebuildDateView() override { process().shell().rebuildDateView(); }
  void addToDateView(const std::string& className) override {
    sim::SimDateView& dateView = builtDateView();
    const host::Rect frame =
        host::makeRect(0, 0, dateView.bounds().size.width, dateView.bounds().size.height);
    std::shared_ptr<host::View> added;
    if (className == "UIView") {
      added = process().viewClasses().makeView(frame);
    } else {
      sim::WeatherCatalog& weather = process().weather();
      sim::WeatherBackgroundClassImpl* cls = className == "WUIDynamicWeatherBackground"
                                                 ? weather.backgroundClass()
                                                 : weather.backgroundSubclass();
      if (!cls) throw std::invalid_argument("this system version has no " + className);
      added = cls->make(frame);
    }
    dateView.addSubview(added);
    dateView.sendSubviewToBack(added);
  }
  void scriptRandom(const std::vector<std::uint32_t>& values) override {
    process().random().scriptNext(values);
  }
  void advance(double seconds) override {
    try {
      process().runLoop().advance(seconds);
    } catch (const host::PlatformException&) {
      throw;
    } catch (const std::runtime_error& e) {
      throw SimulationLimit(e.what());
    }
  }

  // Observation.
  double now() const override {
    return process_ ? process_->runLoop().seconds() : device_->clock();
  }
  const sim::Record* record() const override { return process_ ? &process_->record() : nullptr; }

  json snapshot(double start) override {
    Describer describe(ids_, start);
    if (process_) {
      sim::Shell& shell = process_->shell();
      describe.nameTrees([&shell](const host::View& root) -> json {
        if (&root == shell.lockScreenWindow().get()) return "lockScreen";
        if (&root == shell.wallpaperRoot().get()) return "wallpaper";
        return nullptr;
      });
    }
    json out;
    out["time"] = number(now() - start);
    out["device"] = deviceJson();
    if (!process_) {
      out["process"] = nullptr;
      return out;
    }
    sim::Process& p = *process_;
    out["process"] = {{"generation", generation_},
                      {"bundle", p.launchOptions().bundleIdentifier},
                      {"arguments", p.launchOptions().arguments},
                      {"home", p.launchOptions().homeDirectory},
                      {"addonLoaded", !p.addons().empty()}};
    out["addon"] = addonJson(describe);
    out["lockScreen"] = lockScreenJson(describe);
    out["homeScreen"] = homeScreenJson(describe);
    out["views"] = {{"lockScreen", describe.tree(p.shell().lockScreenWindow())},
                    {"wallpaper", describe.tree(p.shell().wallpaperRoot())}};
    out["bindings"] = bindingsJson(describe);
    out["timers"] = timersJson(describe, start);
    out["alerts"] = alertsJson();
    out["files"] = filesJson();
    out["settings"] = valueJson(preferences().domainValues(kDomain));
    out["weather"] = weatherJson(describe);
    json scripted = json::array();
    for (std::uint32_t value : p.random().scripted()) scripted.push_back(value);
    out["random"] = {{"scripted", scripted}};
    std::optional<std::uint64_t> display = p.notifyState().stateOf(kDisplayStatusName);
    out["shell"] = {{"locked", p.shell().lockScreenManager()->isUILocked()},
                    {"display", display ? json(*display) : json(nullptr)},
                    {"landscape", p.shell().isLandscape()},
                    {"parallax", parallax_ ? json(*parallax_) : json(nullptr)},
                    {"assetName", assetName_ ? json(*assetName_) : json(nullptr)},
                    {"assetAsked", assetAsked_}};
    return out;
  }

  std::string showText(const std::string& what, double start) override {
    if (what == "tree") {
      sim::Process& p = process();
      return "    lock screen:\n" + indent(sim::dumpViewTree(*p.shell().lockScreenWindow())) +
             "    wallpaper:\n" + indent(sim::dumpViewTree(*p.shell().wallpaperWindow()));
    }
    json all = snapshot(start);
    json part =
        what == "all" ? all
        : what == "state"
            ? json{{"addon", all["addon"]}, {"shell", all["shell"]}, {"process", all["process"]}}
            : all[what];
    return indent(part.dump(2, ' ', false, json::error_handler_t::replace));
  }

 private:
  sim::Process& process() {
    if (!process_) throw std::logic_error("no process is running");
    return *process_;
  }

  void start() override {
    process_.reset();
    parallax_.reset();
    assetName_.reset();
    assetAsked_ = false;
    appOpened_ = false;
    ++generation_;
    process_ = std::make_unique<sim::Process>(*device_, launch_);
    applyLocalCity();
    applySavedCities();
    applyUpdates();
    applyCatalogueEdits();
    process_->loadAddons();
    settle();
  }

  void settle() { process().runLoop().runUntilIdle(); }

  sim::SimDateView& builtDateView() {
    auto dateView = process().shell().dateViewController()->dateViewIfBuilt();
    if (!dateView)
      throw std::invalid_argument(
          "the lock screen has no date view yet: 'shell date-view' (or 'wake') builds it");
    return *dateView;
  }

  // A view of the shell's trees by its scenario name.
  host::View& shellView(const std::string& name, std::optional<std::size_t> index) {
    sim::Shell& shell = process().shell();
    if (name == "host" || name == "wallpaper") {
      if (!index || *index >= shell.wallpaperViewCount())
        throw std::invalid_argument("the shell has " + std::to_string(shell.wallpaperViewCount()) +
                                    " wallpaper views, numbered from 0");
      return name == "host" ? *shell.hostView(*index) : *shell.wallpaperView(*index);
    }
    if (name == "date-view") return builtDateView();
    if (name == "date-container") return *shell.dateContainer();
    if (name == "wallpaper-container") return *shell.wallpaperContainer();
    if (name == "wallpaper-window") return *shell.wallpaperWindow();
    if (name == "window-parent" || name == "window-grandparent") {
      const auto& holders = shell.wallpaperWindowHolders();
      if (!holders)
        throw std::invalid_argument("the wallpaper window has no " + name +
                                    " until 'shell embed wallpaper-window'");
      return name == "window-parent" ? *holders->parent : *holders->grandparent;
    }
    throw std::invalid_argument("no view of the shell is called " + name);
  }

  void applyCatalogueEdits() {
    sim::WeatherCatalog& weather = process_->weather();
    if (auto* assets = weather.assetLoaderClass())
      for (const auto& [pair, name] : assetEdits_)
        assets->catalog().set(pair.first, pair.second, name);
    if (auto* images = weather.imageLoaderClass())
      for (const auto& [name, present] : imageEdits_) images->catalog().setImage(name, present);
  }

  std::shared_ptr<sim::SimWeatherPreferences> weatherPreferences() {
    if (!process_) return nullptr;
    auto* cls = process_->weather().preferencesClass();
    return cls ? cls->shared() : nullptr;
  }

  void applyLocalCity() {
    auto prefs = weatherPreferences();
    if (!prefs) return;
    if (localCity_ == LocalCity::none) {
      prefs->setLocalCity(nullptr, sim::LocalCityAvailability::none);
      return;
    }
    auto city = process_->weather().newCity(cityData(localCitySetup_, now()));
    prefs->setLocalCity(city, localCity_ == LocalCity::known
                                  ? sim::LocalCityAvailability::known
                                  : sim::LocalCityAvailability::onceAppOpens);
    if (appOpened_) prefs->openWeatherApp();
  }

  void applySavedCities() {
    if (!process_) return;
    auto* cls = process_->weather().preferencesClass();
    if (!cls) return;
    if (savedCities_)
      cls->setSavedCities(*savedCities_);
    else
      cls->removeSavedCities();
    cls->shared()->setCelsius(celsius_);
    process_->saveWeatherDefaults();
  }

  void applyUpdates() {
    if (!process_ || pendingUpdates_.empty()) return;
    auto updater = process_->weather().updater();
    if (!updater) return;
    for (const UpdateSetup& u : pendingUpdates_) {
      if (u.delay) updater->setDelay(*u.delay);
      if (u.error) {
        updater->enqueue(sim::UpdateOutcome::failure("The weather service could not be reached"));
        continue;
      }
      sim::WeatherReport report;
      if (u.conditionCode) report.conditionCode = *u.conditionCode;
      if (u.isDay) report.isDay = *u.isDay;
      if (u.temperature) report.temperatureCelsius = *u.temperature;
      if (u.hourly) report.hourlyCelsius = *u.hourly;
      updater->enqueue(sim::UpdateOutcome::success(report));
    }
    pendingUpdates_.clear();
  }

  json addonJson(Describer& describe) {
    sim::Process& p = *process_;
    const sim::LoadedAddon* addon = nullptr;
    for (const auto& loaded : p.addons())
      if (loaded.name() == kAddonName) addon = &loaded;
    if (!addon) {
      json none = describe.exported(ExportedState{});
      none["loaded"] = false;
      return none;
    }
    ExportedState state =
        readExportedState([addon](const char* name) { return addon->symbol(name); });
    json out = describe.exported(state);
    out["loaded"] = true;
    out["missingSymbols"] = state.missing;
    return out;
  }

  // The Weather app's data as the framework answers for it now: its local city, and each
  // saved city as cityFromPreferencesDictionary: converts it (null for one that does not).
  json weatherJson(Describer& describe) {
    auto prefs = weatherPreferences();
    if (!prefs) return nullptr;
    json saved = json::array();
    std::optional<host::Value> cities =
        process_->weather().preferencesClass()->userDefaultsObjectForKey("Cities");
    if (cities)
      if (const host::Array* entries = cities->get<host::Array>())
        for (const host::Value& entry : *entries)
          saved.push_back(describe.city(prefs->cityFromPreferencesDictionary(entry)));
    return {{"localCity", describe.city(prefs->localWeatherCity())},
            {"savedCities", cities ? saved : json(nullptr)},
            {"celsius", prefs->isCelsius()}};
  }

  json lockScreenJson(Describer& describe) {
    auto dateView = process_->shell().dateViewController()->dateViewIfBuilt();
    if (!dateView)
      return {{"dateView", nullptr},
              {"dateContainer", describe.view(process_->shell().dateContainer())},
              {"timeLabel", nullptr},
              {"dateLine", nullptr}};
    auto label = [&](const std::shared_ptr<sim::Label>& l) -> json {
      if (!l) return nullptr;
      return {{"hidden", l->isHidden()},
              {"alpha", number(l->alpha())},
              {"text", l->text()},
              {"textColor",
               l->textColor() ? json(sim::colorName(l->textColor().get())) : json(nullptr)},
              {"id", describe.idOf(l)}};
    };
    return {{"dateView", describe.view(dateView)},
            {"dateContainer", describe.view(process_->shell().dateContainer())},
            {"timeLabel", label(dateView->timeLabelView())},
            {"dateLine", label(dateView->dateLine())},
            {"subtitleHidden", dateView->subtitleHidden()},
            {"dateHidden", dateView->dateHidden()}};
  }

  json homeScreenJson(Describer& describe) {
    sim::Shell& shell = process_->shell();
    json views = json::array();
    for (std::size_t i = 0; i < shell.wallpaperViewCount(); ++i) {
      const auto& wallpaper = shell.wallpaperView(i);
      std::vector<std::shared_ptr<host::View>> backgrounds;
      collectBackgrounds(shell.hostView(i), backgrounds);
      json listed = json::array();
      for (const auto& bg : backgrounds) listed.push_back(describe.view(bg));
      views.push_back({{"variant", wallpaper->variant()},
                       {"view", describe.view(wallpaper)},
                       {"hostView", describe.view(shell.hostView(i))},
                       {"backgrounds", listed}});
    }
    return {{"wallpaperViews", views}};
  }

  json bindingsJson(Describer& describe) {
    std::vector<std::shared_ptr<host::View>> backgrounds;
    collectBackgrounds(process_->shell().lockScreenWindow(), backgrounds);
    collectBackgrounds(process_->shell().wallpaperWindow(), backgrounds);
    json out = json::array();
    for (const auto& bg : backgrounds) {
      json v = describe.view(bg);
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

  json timersJson(Describer& describe, double start) {
    json out = json::array();
    for (const auto& timer : process_->runLoop().scheduledTimers())
      out.push_back({{"id", describe.idOf(timer)},
                     {"description", timer->description()},
                     {"selector", timer->selectorName()},
                     {"interval", number(timer->timeInterval())},
                     {"repeats", timer->repeats()},
                     {"valid", timer->isValid()},
                     {"nextFire", number(timer->fireTime() - start)}});
    return out;
  }

  json alertsJson() {
    json out = json::array();
    for (const auto& alert : process_->alerts().visibleAlerts()) {
      host::Id delegate = alert->delegate();
      out.push_back({{"title", alert->title()},
                     {"message", alert->message()},
                     {"buttons", alert->buttonTitles()},
                     {"tag", alert->tag()},
                     {"delegate",
                      delegate ? json(std::string(delegate->objectClass().name())) : json(nullptr)},
                     {"visible", alert->isVisible()}});
    }
    return out;
  }

  std::unique_ptr<sim::Process> process_;
  ObjectIds ids_;
  LocalCity localCity_ = LocalCity::none;
  CitySetup localCitySetup_;
  bool appOpened_ = false;
  std::optional<host::Array> savedCities_;
  bool celsius_ = true;
  std::vector<UpdateSetup> pendingUpdates_;
  std::map<std::pair<std::int64_t, bool>, std::optional<std::string>> assetEdits_;
  std::map<std::string, bool> imageEdits_;
  std::optional<bool> parallax_;
  std::optional<std::string> assetName_;
  bool assetAsked_ = false;
};

}  // namespace

std::unique_ptr<World> makeSimWorld() { return std::make_unique<SimWorld>(); }

}  // namespace nimsim
