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

sim::WriteFault writeFault(const std::string& word) {
  if (word == "no-space") return sim::WriteFault::noSpace;
  return word == "rename" ? sim::WriteFault::renameRefused : sim::WriteFault::temporaryFile;
}

class SimWorld final : public DeviceWorld {
 public:
  SimWorld() { device_->installAddons(NIMBREL_STAGED_ADDONS); }

  ~SimWorld() override { process_.reset(); }

  // Processes.
  bool booted() const override { return process_ != nullptr; }

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

  void performInProcess(const Statement& s) override {
    const std::vector<Arg>& a = s.args;
    sim::Shell& shell = process().shell();
    switch (s.id) {
      case Command::shellDateView:
        shell.requestDateView();
        return settle();
      case Command::shellUnlock:
        shell.finishUnlock(0, nullptr);
        return settle();
      case Command::shellContentView:
        return requestContentView(s);
      case Command::shellLayout:
        shell.layoutWallpaper();
        return settle();
      case Command::shellRotate:
        process().rotate(a[0].text == "landscape" ? sim::Orientation::landscape
                                                  : sim::Orientation::portrait);
        return settle();
      case Command::shellParallax:
        parallax_ = shell.askAllowsParallax();
        return;
      case Command::shellAssetName:
        return askAssetName(static_cast<std::int64_t>(a[0].number), a[1].flag);
      case Command::shellTimeLabelAlpha:
        return builtDateView().timeLabelView()->setAlpha(a[0].number);
      case Command::shellMove:
      case Command::shellScroll:
        return moveOrScroll(s.id == Command::shellMove, shellView(a[0].text, std::nullopt), a);
      case Command::shellMoveHost:
      case Command::shellScrollHost:
      case Command::shellMoveWallpaper:
        return moveOrScroll(s.id != Command::shellScrollHost,
                            shellView(s.id == Command::shellMoveWallpaper ? "wallpaper" : "host",
                                      static_cast<std::size_t>(a[0].number)),
                            a);
      default:
        return performOnProcess(s);
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
    world.shell = {p.shell().lockScreenManager()->isUILocked(),
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
  void performOnProcess(const Statement& s) {
    const std::vector<Arg>& a = s.args;
    switch (s.id) {
      case Command::shellEmbedWallpaperWindow:
        process().shell().embedWallpaperWindow();
        return;
      case Command::frameworksLoad:
        return process().loadLateFrameworks();
      case Command::shellRebuildDateView:
        return process().shell().rebuildDateView();
      case Command::shellDateViewAdd:
        return addToDateView(a[0].text);
      case Command::shellContentViewRaiseNext:
        return process().shell().raiseAtNextContentView();
      case Command::weatherRaiseNextBind:
        if (auto* backgrounds = process().weather().backgroundClass())
          backgrounds->raiseAtNextBind();
        return;
      case Command::weatherOpenApp:
        appOpened_ = true;
        if (auto prefs = weatherPreferences()) prefs->openWeatherApp();
        return;
      case Command::randomNext: {
        std::vector<std::uint32_t> values;
        for (const Arg& v : a) values.push_back(static_cast<std::uint32_t>(v.number));
        return process().random().scriptNext(values);
      }
      case Command::fileFailNextWrite:
        return process().files().failNextWrite(writeFault(a[0].text));
      case Command::notifyFail:
        return failNotify(s);
      case Command::alertDismiss:
        return dismissAlert();
      case Command::advance:
        return advance(a[0].number);
      default:
        throw NotOnPlatform(std::string("'") + keywordsOf(s.id) + "' is not a process's command");
    }
  }

  void failNotify(const Statement& s) {
    const auto status =
        s.args.size() > 1 ? static_cast<std::uint32_t>(s.args[1].number) : kDefaultNotifyFailure;
    if (s.args[0].text == "register")
      process().notifyState().failNextRegister(status);
    else
      process().notifyState().failNextGetState(status);
  }
  void requestContentView(const Statement& s) {
    sim::Shell& shell = process().shell();
    std::optional<std::size_t> index;
    if (!s.args.empty()) index = static_cast<std::size_t>(s.args[0].number);
    if (index && *index >= shell.wallpaperViewCount())
      throw std::invalid_argument("the shell has " + std::to_string(shell.wallpaperViewCount()) +
                                  " wallpaper views, numbered from 0");
    if (index)
      shell.requestContentView(*index);
    else
      for (std::size_t i = 0; i < shell.wallpaperViewCount(); ++i) shell.requestContentView(i);
    settle();
  }
  void askAssetName(std::int64_t condition, bool isDay) {
    auto loader = process().weather().assetLoader();
    if (!loader)
      throw std::invalid_argument("this system version has no WUIAsynchronousAssetLoader");
    assetName_ = loader->filenameForCondition(condition, isDay);
    assetAsked_ = true;
  }
  void dismissAlert() {
    auto& visible = process().alerts().visibleAlerts();
    if (visible.empty()) throw std::invalid_argument("no alert is on screen to dismiss");
    process().alerts().dismiss(*visible.back(), 0);
  }
  // Moving sets the view's frame's origin in its superview, scrolling its bounds' origin.
  static void moveOrScroll(bool move, host::View& target, const std::vector<Arg>& a) {
    const double x = a[a.size() - 2].number, y = a.back().number;
    if (move)
      target.setFrame({{x, y}, target.frame().size});
    else
      sim::viewState(target).setBoundsOrigin({x, y});
  }
  void addToDateView(const std::string& className) {
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
  void advance(double seconds) {
    try {
      process().runLoop().advance(seconds);
    } catch (const host::PlatformException&) {
      throw;
    } catch (const std::runtime_error& e) {
      throw SimulationLimit(e.what());
    }
  }

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
      sim::WeatherReport report;
      if (u.conditionCode) report.conditionCode = *u.conditionCode;
      if (u.isDay) report.isDay = *u.isDay;
      if (u.temperature) report.temperatureCelsius = *u.temperature;
      if (u.hourly) report.hourlyCelsius = *u.hourly;
      sim::UpdateOutcome outcome =
          u.error ? sim::UpdateOutcome::failure("The weather service could not be reached")
                  : sim::UpdateOutcome::success(report);
      outcome.onSecondThread = u.secondThread;
      updater->enqueue(std::move(outcome));
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
  std::optional<bool> parallax_;
  std::optional<std::string> assetName_;
  bool assetAsked_ = false;
};

}  // namespace

std::unique_ptr<World> makeSimWorld() { return std::make_unique<SimWorld>(); }

}  // namespace nimsim
