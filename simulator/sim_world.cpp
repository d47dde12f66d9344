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
    if (name == kLockCompleteName) locked_ = true;
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
    locked_ = false;
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
      describe.nameTrees([&shell](const host::View& root) -> std::optional<std::string> {
        if (&root == shell.lockScreenWindow().get()) return "lockScreen";
        if (&root == shell.wallpaperRoot().get()) return "wallpaper";
        return std::nullopt;
      });
    }
    facts::WorldFacts world{.time = now() - start, .device = deviceJson()};
    if (!process_) return facts::worldJson(world);
    sim::Process& p = *process_;
    const sim::LaunchOptions& launch = p.launchOptions();
    world.process = facts::ProcessFacts{generation_, launch.bundleIdentifier, launch.arguments,
                                        launch.homeDirectory, !p.addons().empty()};
    world.shellParts = shellParts(describe, start);
    world.files = filesJson();
    world.settings = valueJson(preferences().domainValues(kDomain));
    world.weather = weatherJson(describe);
    world.shell = {locked_,
                   p.notifyState().stateOf(kDisplayStatusName),
                   p.shell().isLandscape(),
                   parallax_,
                   assetName_,
                   assetAsked_};
    return facts::worldJson(world);
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
    locked_ = false;
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

  json shellParts(Describer& describe, double start) {
    sim::Process& p = *process_;
    facts::ShellParts parts{
        .addon = addonJson(describe),
        .lockScreen = lockScreenJson(describe),
        .homeScreen = homeScreenJson(describe),
        .lockScreenTree = describe.tree(p.shell().lockScreenWindow()),
        .wallpaperTree = describe.tree(p.shell().wallpaperRoot()),
        .scriptedRandom = {p.random().scripted().begin(), p.random().scripted().end()}};
    std::vector<std::shared_ptr<host::View>> backgrounds;
    collectBackgrounds(p.shell().lockScreenWindow(), backgrounds);
    collectBackgrounds(p.shell().wallpaperWindow(), backgrounds);
    for (const auto& bg : backgrounds) parts.backgrounds.push_back(describe.view(bg));
    for (const auto& timer : p.runLoop().scheduledTimers())
      parts.timers.push_back(facts::scheduledTimerJson(
          {describe.idOf(timer), timer->description(), timer->selectorName(), timer->timeInterval(),
           timer->repeats(), timer->isValid(), timer->fireTime() - start}));
    for (const auto& alert : p.alerts().visibleAlerts())
      parts.alerts.push_back(facts::alertJson(alert->shownFact(), alert->isVisible()));
    return facts::shellPartsJson(parts);
  }

  json addonJson(Describer& describe) {
    sim::Process& p = *process_;
    const sim::LoadedAddon* addon = nullptr;
    for (const auto& loaded : p.addons())
      if (loaded.name() == kAddonName) addon = &loaded;
    if (!addon) return facts::addonJson(describe.exported(ExportedState{}));
    ExportedState state =
        readExportedState([addon](const char* name) { return addon->symbol(name); });
    facts::AddonFacts out = describe.exported(state);
    out.loaded = true;
    out.missingSymbols = state.missing;
    return facts::addonJson(out);
  }

  // The Weather app's data as the framework answers for it now: its local city, and each
  // saved city as cityFromPreferencesDictionary: converts it (null for one that does not).
  json weatherJson(Describer& describe) {
    auto prefs = weatherPreferences();
    if (!prefs) return nullptr;
    // The saved cities first: describing them numbers the cities they make.
    facts::WeatherAppFacts out;
    std::optional<host::Value> cities =
        process_->weather().preferencesClass()->userDefaultsObjectForKey("Cities");
    if (cities) out.savedCities.emplace();
    if (const host::Array* entries = cities ? cities->get<host::Array>() : nullptr)
      for (const host::Value& entry : *entries)
        out.savedCities->push_back(describe.city(prefs->cityFromPreferencesDictionary(entry)));
    out.localCity = describe.city(prefs->localWeatherCity());
    out.celsius = prefs->isCelsius();
    return facts::weatherAppJson(out);
  }

  json lockScreenJson(Describer& describe) {
    sim::Shell& shell = process_->shell();
    auto dateView = shell.dateViewController()->dateViewIfBuilt();
    facts::LockScreenFacts out;
    out.dateView = describe.view(dateView);
    out.dateContainer = describe.view(shell.dateContainer());
    if (!dateView) return facts::lockScreenJson(out);
    auto label = [&](const std::shared_ptr<sim::Label>& l) -> std::optional<facts::DateLabelFacts> {
      if (!l) return std::nullopt;
      return facts::DateLabelFacts{
          describe.idOf(l),
          l->isHidden(),
          l->alpha(),
          {l->text(), l->textColor()
                          ? std::optional<std::string>(sim::colorName(l->textColor().get()))
                          : std::nullopt}};
    };
    out.timeLabel = label(dateView->timeLabelView());
    out.dateLine = label(dateView->dateLine());
    out.subtitleHidden = dateView->subtitleHidden();
    out.dateHidden = dateView->dateHidden();
    return facts::lockScreenJson(out);
  }

  json homeScreenJson(Describer& describe) {
    sim::Shell& shell = process_->shell();
    std::vector<facts::WallpaperFacts> wallpapers;
    for (std::size_t i = 0; i < shell.wallpaperViewCount(); ++i) {
      std::vector<std::shared_ptr<host::View>> backgrounds;
      collectBackgrounds(shell.hostView(i), backgrounds);
      facts::WallpaperFacts& w =
          wallpapers.emplace_back(facts::WallpaperFacts{shell.wallpaperView(i)->variant()});
      for (const auto& bg : backgrounds) w.backgrounds.push_back(describe.view(bg));
      w.view = describe.view(shell.wallpaperView(i));
      w.hostView = describe.view(shell.hostView(i));
    }
    return facts::homeScreenJson(wallpapers);
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
  bool locked_ = false;
  std::optional<bool> parallax_;
  std::optional<std::string> assetName_;
  bool assetAsked_ = false;
};

}  // namespace

std::unique_ptr<World> makeSimWorld() { return std::make_unique<SimWorld>(); }

}  // namespace nimsim
