// Random event sequences on a shell with the add-on installed, driving only its real routines:
// lock, display, unlock, layout, rotation, parallax, date and content views, asset names,
// settings changes, weather completions, time passing, the Weather app's cities, damaged
// cache and settings files, service failures and resprings, in any order. After every event
// the add-on's invariants are checked (see fuzz/README.md); a broken one aborts like a crash.
// A platform exception reaching the shell would crash it on the phone, so it crashes here.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

#include "events/lock_events.h"
#include "fuzz/fuzz_input.h"
#include "sim/foundation/property_list.h"
#include "sim/process/process.h"
#include "sim/runtime/instance.h"
#include "sim/views/tree.h"
#include "sim/views/view.h"
#include "startup/install_hooks.h"
#include "startup/load_settings.h"
#include "state/cache_file.h"
#include "state/shared_state.h"

namespace {

using fuzzing::ByteStream;
using fuzzing::kSettingKeys;

// Pieces of the texts Foundation's string readings treat specially.
constexpr std::array kTextPieces = {
    "0",
    "1",
    "7",
    "9",
    " ",
    "\t",
    "\n",
    "+",
    "-",
    ".",
    "e",
    "E",
    "YES",
    "yes",
    "NO",
    "y",
    "n",
    "t",
    "x",
    "%",
    "inf",
    "nan",
    "0x",
    "010",
    "1e308",
    "\xd9\xa3" /* ARABIC-INDIC DIGIT THREE */,
    "\xc3\xa9",
    "2147483648",
    "99999999999999999999",
};

constexpr std::array kReals = {0.0,   -0.0,   0.5,    -1.0,         50.0,         100.0,
                               1e308, -1e308, 1e-310, 2147483647.5, -2147483649.0};

// Moments the clock is moved on by; the add-on's timers and refreshes run on scales like these.
constexpr std::array kAdvances = {0.0001, 0.5, 1.0, 2.0, 59.0, 60.0, 61.0, 101.0, 600.0, 3600.0};

// Delays of the weather service's answers.
constexpr std::array kDelays = {0.0, 0.5, 2.0, 30.0, 100.0, 700.0};

// Coordinates a city may report, the impossible ones included.
constexpr std::array kLatitudes = {48.85, -33.9, 0.0, 90.0, 91.0, -1e308};
constexpr std::array kLongitudes = {2.35, 151.2, 0.0, 180.0, -181.0, 1e308};

constexpr std::array kConditions = {
    std::int64_t{0},  std::int64_t{3},  std::int64_t{26}, std::int64_t{32},
    std::int64_t{47}, std::int64_t{48}, std::int64_t{-1}, std::numeric_limits<std::int64_t>::min()};

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr std::array kTemperatures = {18.0, -3.7, 21.9, 0.0, 1e308, kNan, kInfinity, -kInfinity};

// Keys the fuzzer puts in the cache file besides the add-on's own.
constexpr std::array kCacheKeys = {nimbrel::kCachedLatitudeKey, nimbrel::kCachedLongitudeKey,
                                   "lastLocalCityName", "someoneElsesKey"};

constexpr long kAlertTag = 8472;

[[noreturn]] void finding(const char* what) {
  std::fprintf(stderr, "shell_events: %s\n", what);
  std::abort();
}

void check(bool holds, const char* what) {
  if (!holds) finding(what);
}

std::string text(ByteStream& in) {
  std::string result;
  for (std::size_t pieces = in.pick(6); pieces > 0; --pieces)
    result += kTextPieces[in.pick(kTextPieces.size())];
  return result;
}

// A value of any kind the settings pane, or something else writing the domain, could store.
// Dates stay where the property-list writer can hold them.
host::Value settingValue(ByteStream& in) {
  switch (in.pick(9)) {
    case 0:
      return in.byte() % 2 == 1;
    case 1:
      return static_cast<std::int64_t>(in.u64());
    case 2:
      return std::int64_t{static_cast<std::int8_t>(in.byte())};
    case 3:
      return in.real();
    case 4:
      return kReals[in.pick(kReals.size())];
    case 5:
      return text(in);
    case 6:
      return host::UnsignedInteger{in.u64()};
    case 7:
      return host::Array{std::int64_t{1}};
    default:
      return host::Date{978307200.0 + 1e6 * in.byte()};
  }
}

// Bytes for a property-list file that is damaged, of the wrong shape, or odd but readable.
std::string oddPropertyList(ByteStream& in) {
  switch (in.pick(6)) {
    case 0: {
      std::string bytes;
      for (std::size_t n = in.pick(24); n > 0; --n) bytes += static_cast<char>(in.byte());
      return bytes;
    }
    case 1:
      return {};
    case 2: {
      host::Dictionary values;
      for (std::size_t n = in.pick(4); n > 0; --n)
        values.insert_or_assign(kSettingKeys[in.pick(kSettingKeys.size())], settingValue(in));
      return sim::xmlPropertyList(values).value_or("");
    }
    case 3:
      return sim::xmlPropertyList(host::Array{settingValue(in)}).value_or("");
    case 4: {
      std::string bytes = "bplist00";
      for (std::size_t n = in.pick(24); n > 0; --n) bytes += static_cast<char>(in.byte());
      return bytes;
    }
    default: {
      const std::string whole =
          sim::xmlPropertyList(host::Dictionary{{"enabled", true}, {"updateInterval", 5}})
              .value_or("");
      return whole.substr(0, in.pick(whole.size() + 1));
    }
  }
}

// The device, system version, launch and the Weather app's data picked by the first bytes.
struct Launch {
  sim::DeviceProfile profile;
  sim::SystemVersion version;
  sim::LaunchOptions options;
  sim::Orientation orientation = sim::Orientation::portrait;
  std::uint8_t world = 0;
};

Launch launchFrom(ByteStream& in) {
  Launch launch;
  const auto& profiles = sim::deviceProfiles();
  launch.profile = profiles[in.pick(profiles.size())];
  const std::uint8_t classes = in.byte();
  sim::WeatherClassSet& weather = launch.version.weatherClasses;
  weather.dynamicWeatherBackground = !(classes & 1);
  weather.assetLoader = !(classes & 2);
  weather.weatherPreferences = !(classes & 4);
  weather.locationUpdater = !(classes & 8);
  weather.platterViewController = !(classes & 16);
  weather.todayHeaderView = !(classes & 32);
  launch.version.dateView.setSubtitleHidden = !(classes & 64);
  launch.options.randomSeed = in.byte();
  // Another home reads the settings from the fallback file.
  if (classes & 128) launch.options.homeDirectory = "/private/var/root";
  launch.world = in.byte();
  weather.imageLoader = !(launch.world & 64);
  weather.hourlyForecast = !(launch.world & 128);
  if (launch.world & 32) launch.orientation = sim::Orientation::landscape;
  return launch;
}

sim::CityData cityData(ByteStream& in, const char* name) {
  sim::CityData data;
  data.name = name;
  if (in.pick(8) != 0)
    data.location = host::Coordinate{kLatitudes[in.pick(kLatitudes.size())],
                                     kLongitudes[in.pick(kLongitudes.size())]};
  data.conditionCode = kConditions[in.pick(kConditions.size())];
  data.isDay = in.pick(2) == 1;
  return data;
}

// What a process's classes depend on; a process is reused for the next input with the same.
struct LaunchKey {
  sim::WeatherClassSet classes;
  sim::DateViewMethods dateView;
  bool operator==(const LaunchKey& other) const {
    const auto tie = [](const LaunchKey& k) {
      const sim::WeatherClassSet& c = k.classes;
      return std::tuple(c.weatherPreferences, c.locationUpdater, c.dynamicWeatherBackground,
                        c.assetLoader, c.imageLoader, c.platterViewController, c.todayHeaderView,
                        c.hourlyForecast, k.dateView.timeLabel, k.dateView.setSubtitleHidden,
                        k.dateView.setDateHidden);
    };
    return tie(*this) == tie(other);
  }
};

LaunchKey keyOf(const Launch& launch) {
  return {launch.version.weatherClasses, launch.version.dateView};
}

// One device for every input, its folder emptied and its settings put back before each, so
// that no input sees another's files. Making a process costs more than most inputs' actions,
// so one is reused (sim::Process::reset) while inputs launch alike; a respring makes a new one.
class World {
 public:
  World() : startClock_(device_.clock()), cacheFile_(device_.hostPath(nimbrel::kCacheFile)) {}
  ~World() { close(); }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  sim::Device& device() { return device_; }
  sim::Process& process() { return *process_; }
  // The add-on's cache file on the host.
  const std::filesystem::path& cacheFile() const { return cacheFile_; }

  // The process for an input, as a fresh launch of it would be; reused when allowed and its
  // launch matches.
  void launch(const Launch& launch, bool reuse) {
    const LaunchKey key = keyOf(launch);
    const bool reused = reuse && process_ && key == key_;
    if (!reused) close();
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(device_.root()))
      std::filesystem::remove_all(entry.path(), ignored);
    device_.setProfile(launch.profile);
    device_.version() = launch.version;
    device_.setOrientation(launch.orientation);
    device_.setClock(startClock_);
    key_ = key;
    options_ = launch.options;
    if (reused)
      restart();
    else
      start();
  }

  // The shell restarts: memory goes, files and virtual time stay. With reuse the process is
  // reset rather than made again.
  void respring(bool reuse) {
    if (!reuse) {
      close();
      start();
      return;
    }
    device_.setClock(process_->runLoop().seconds());
    restart();
  }

  void close() {
    nimbrel::resetState();
    process_.reset();
  }

 private:
  void start() {
    nimbrel::resetState();
    process_.emplace(device_, options_);
    nimbrel::installHooks();
    previous_ = nimbrel::state().previous;
    // What the launch recorded (class definitions, hooks) a reset process does not repeat.
    process_->record().clear();
  }

  // What installHooks leaves in a new process: its hooks and observers stay from the first
  // launch, and its state is loaded afresh.
  void restart() {
    nimbrel::resetState();
    process_->reset(options_);
    nimbrel::state().previous = previous_;
    nimbrel::loadSettings(nullptr, nullptr, nullptr, nullptr, nullptr);
    process_->record().clear();
  }

  sim::TemporaryDevice device_;
  double startClock_;
  std::filesystem::path cacheFile_;
  std::optional<sim::Process> process_;
  LaunchKey key_;
  sim::LaunchOptions options_;
  nimbrel::PreviousImplementations previous_;
};

World& world() {
  static World theWorld;
  return theWorld;
}

// One input's run on the world's process, and what the checks remember between events.
class Run {
 public:
  Run(World& world, const Launch& launch, bool reuse, bool keepTranscript)
      : world_(world), launch_(launch), reuse_(reuse), keepTranscript_(keepTranscript) {
    if (launch.world & 16) createCacheFolder();
    setUpWeatherApp(launch.world);
    started();
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  void act(ByteStream& in);
  void checkInvariants();
  // Everything the processes of this run recorded, when kept.
  const std::string& finish() {
    keep();
    alerts_.clear();
    return transcript_;
  }

 private:
  sim::Process& process() { return world_.process(); }
  sim::Device& device() { return world_.device(); }
  bool readsFallbackFile() const { return launch_.options.homeDirectory != "/var/mobile"; }

  // What the checks remember of a process starts afresh with it.
  void started() {
    process().runLoop().runUntilIdle();
    base_ = sim::liveObjects();
    viewsAdded_ = 0;
    cacheCheckedAt_.reset();
    geometrySeen_.reset();
  }
  void keep() {
    if (!keepTranscript_) return;
    for (const auto& entry : process().record().entries())
      transcript_ += std::to_string(entry.time) + " " + entry.category + " " + entry.text + "\n";
    process().record().clear();
  }
  void respring();
  void setUpWeatherApp(std::uint8_t world);
  void createCacheFolder();

  void post(const char* name, ByteStream& in);
  void requestDateView();
  void requestContentView(ByteStream& in);
  void askAssetName(ByteStream& in);
  void askParallax();
  void unlock(ByteStream& in);
  void changeSetting(ByteStream& in);
  void scriptWeather(ByteStream& in);
  void changeLocalCity(ByteStream& in);
  void changeSavedCities(ByteStream& in);
  void damageCacheFile(ByteStream& in);
  void damageSettingsFile(ByteStream& in);
  void failService(ByteStream& in);
  void reshapeShell(ByteStream& in);
  void editAssetCatalog(ByteStream& in);
  void dismissAlert();

  void checkDateView();
  void checkHomeScreenViews();
  void checkGeometry();
  void checkTimers();
  void checkAlerts();
  void checkCacheFile();
  void checkLiveObjects();

  World& world_;
  const Launch& launch_;
  bool reuse_;
  bool keepTranscript_;
  std::string transcript_;
  sim::LiveObjects base_;
  // Views the fuzzer itself put into the shell's trees since then: not the add-on's growth.
  long viewsAdded_ = 0;
  host::Dictionary fallbackSettings_;
  // Keys the cache file has held since the fuzzer last wrote or removed it: the add-on
  // rewrites the file, and must keep them all.
  std::set<std::string> cacheKeys_;
  // The process's write count when the cache file was last checked; none when the fuzzer
  // changed the file or the process since.
  std::optional<std::uint64_t> cacheCheckedAt_;
  // What the geometry check last looked at: the count of view changes, the add-on's views.
  struct GeometrySeen {
    std::uint64_t viewChanges;
    const host::View* background;
    const host::View* header;
    bool operator==(const GeometrySeen&) const = default;
  };
  std::optional<GeometrySeen> geometrySeen_;
  // Alerts seen in this process, shown or since dismissed.
  std::vector<std::shared_ptr<sim::SimAlertView>> alerts_;
};

void Run::respring() {
  keep();
  alerts_.clear();
  if (!reuse_) {
    world_.close();
    check(sim::liveObjects() == sim::LiveObjects{}, "simulated objects outlived their process");
  }
  world_.respring(reuse_);
  started();
}

void Run::createCacheFolder() {
  std::filesystem::create_directories(world_.cacheFile().parent_path());
}

void Run::setUpWeatherApp(std::uint8_t bits) {
  sim::WeatherCatalog& weather = process().weather();
  if (!weather.preferencesClass()) return;
  sim::CityData here;
  here.name = "Cupertino";
  here.location = host::Coordinate{37.33, -122.03};
  switch (bits & 3) {
    case 1:
      weather.preferences()->setLocalCity(weather.newCity(here), sim::LocalCityAvailability::known);
      break;
    case 2:
      weather.preferences()->setLocalCity(weather.newCity(here),
                                          sim::LocalCityAvailability::onceAppOpens);
      break;
    default:
      break;
  }
  sim::CityData paris;
  paris.name = "Paris";
  paris.location = host::Coordinate{48.85, 2.35};
  switch ((bits >> 2) & 3) {
    case 1:
      weather.preferencesClass()->setSavedCities({host::Value(sim::toDictionary(paris))});
      break;
    case 2:
      weather.preferencesClass()->setSavedCities({host::Value("not a city")});
      break;
    case 3:
      weather.preferencesClass()->setSavedCities({});
      break;
    default:
      break;
  }
}

void Run::post(const char* name, ByteStream& in) {
  process().darwinNotifyCenter().post(name);
  // Delivered at once, or left pending so that other events come first.
  if (in.pick(2) == 0) process().runLoop().runUntilIdle();
}

void Run::requestDateView() {
  sim::Shell& shell = process().shell();
  const std::shared_ptr<host::DateView> answered = shell.requestDateView();
  check(answered && answered == shell.dateViewController()->dateViewIfBuilt(),
        "-dateView answered another view than the shell's own");
}

void Run::requestContentView(ByteStream& in) {
  sim::Shell& shell = process().shell();
  const std::size_t index = in.pick(shell.wallpaperViewCount());
  const std::shared_ptr<host::View> answered = shell.requestContentView(index);
  check(answered == shell.wallpaperView(index)->ownContentView(),
        "-contentView answered another view than the wallpaper's own");
}

void Run::askAssetName(ByteStream& in) {
  sim::AssetLoaderClassImpl* loaderClass = process().weather().assetLoaderClass();
  if (!loaderClass) return;
  const std::int64_t condition = in.pick(2) ? static_cast<std::int64_t>(in.pick(50))
                                            : kConditions[in.pick(kConditions.size())];
  const bool isDay = in.pick(2) == 1;
  const std::optional<std::string> own = loaderClass->catalog().filename(condition, isDay);
  const std::optional<std::string> answered =
      process().weather().assetLoader()->filenameForCondition(condition, isDay);
  check(answered.has_value() == own.has_value(),
        "an asset name appeared or vanished in the rewriting");
  if (!nimbrel::state().settings.reScaleCompatibility)
    check(answered == own, "an asset name was rewritten with the compatibility mode off");
}

void Run::askParallax() {
  const bool allowed = process().shell().askAllowsParallax();
  if (nimbrel::state().settings.disableParallax)
    check(!allowed, "parallax allowed with disableParallax on");
}

void Run::unlock(ByteStream& in) {
  sim::Shell& shell = process().shell();
  const int unlocks = shell.lockScreenManager()->unlockCount();
  shell.finishUnlock(static_cast<long>(in.pick(4)), nullptr);
  check(shell.lockScreenManager()->unlockCount() == unlocks + 1,
        "the shell's own unlock did not run exactly once");
  check(!nimbrel::state().screenLocked, "still locked after an unlock");
  const auto& background = nimbrel::state().weatherBackground;
  check(!background || !background->superview(),
        "the lock-screen background stayed in a view after an unlock");
}

void Run::changeSetting(ByteStream& in) {
  const char* key = kSettingKeys[in.pick(kSettingKeys.size())];
  const bool remove = in.pick(8) == 0;
  if (readsFallbackFile()) {
    if (remove)
      fallbackSettings_.erase(key);
    else
      fallbackSettings_.insert_or_assign(key, settingValue(in));
    const std::filesystem::path file = device().hostPath(nimbrel::kFallbackSettingsFile);
    std::filesystem::create_directories(file.parent_path());
    sim::writePropertyList(fallbackSettings_, file.string(), true);
  } else if (remove) {
    process().preferences().remove(nimbrel::kPreferencesDomain, key);
  } else {
    process().preferences().set(nimbrel::kPreferencesDomain, key, settingValue(in));
  }
  // The pane posts the notification; a write without one is picked up by a later reload.
  if (in.pick(4) != 0) post(nimbrel::kSettingsChangedNotification, in);
}

void Run::scriptWeather(ByteStream& in) {
  sim::LocationUpdaterClassImpl* updaterClass = process().weather().updaterClass();
  if (!updaterClass) return;
  const std::shared_ptr<sim::SimLocationUpdater> updater = updaterClass->shared();
  switch (in.pick(3)) {
    case 0:
      updater->setDelay(kDelays[in.pick(kDelays.size())]);
      break;
    case 1:
      updater->enqueue(
          sim::UpdateOutcome::failure("The Internet connection appears to be offline."));
      break;
    default: {
      sim::WeatherReport report;
      report.conditionCode = kConditions[in.pick(kConditions.size())];
      report.isDay = in.pick(2) == 1;
      if (in.pick(4) == 0)
        report.temperatureCelsius.reset();
      else
        report.temperatureCelsius = kTemperatures[in.pick(kTemperatures.size())];
      report.hourlyCelsius.clear();
      for (std::size_t n = in.pick(4); n > 0; --n)
        report.hourlyCelsius.push_back(kTemperatures[in.pick(kTemperatures.size())]);
      updater->enqueue(sim::UpdateOutcome::success(std::move(report)));
      break;
    }
  }
}

void Run::changeLocalCity(ByteStream& in) {
  sim::WeatherCatalog& weather = process().weather();
  if (!weather.preferencesClass()) return;
  const std::shared_ptr<sim::SimWeatherPreferences> preferences = weather.preferences();
  switch (in.pick(5)) {
    case 0:
      preferences->setLocalCity(nullptr, sim::LocalCityAvailability::none);
      break;
    case 1:
      preferences->setLocalCity(weather.newCity(cityData(in, "Cupertino")),
                                sim::LocalCityAvailability::known);
      break;
    case 2:
      preferences->setLocalCity(weather.newCity(cityData(in, "Cupertino")),
                                sim::LocalCityAvailability::onceAppOpens);
      break;
    case 3:
      preferences->openWeatherApp();
      break;
    default:
      preferences->setCelsius(in.pick(2) == 1);
      break;
  }
}

void Run::changeSavedCities(ByteStream& in) {
  sim::WeatherPreferencesClassImpl* preferences = process().weather().preferencesClass();
  if (!preferences) return;
  switch (in.pick(6)) {
    case 0:
      preferences->removeSavedCities();
      break;
    case 1:
      preferences->setSavedCities({});
      break;
    case 2:
      preferences->setSavedCities({host::Value("not a city")});
      break;
    case 3:
      // Not a list at all.
      preferences->setUserDefaults(host::Dictionary{{"Cities", settingValue(in)}});
      break;
    case 4:
      // The app writes its defaults, where the next process finds them.
      process().saveWeatherDefaults();
      break;
    default: {
      host::Array cities;
      for (std::size_t n = 1 + in.pick(3); n > 0; --n)
        cities.emplace_back(sim::toDictionary(cityData(in, "Paris")));
      preferences->setSavedCities(std::move(cities));
      break;
    }
  }
}

void Run::damageCacheFile(ByteStream& in) {
  const std::filesystem::path& file = world_.cacheFile();
  cacheKeys_.clear();
  cacheCheckedAt_.reset();
  switch (in.pick(4)) {
    case 0:
      createCacheFolder();
      break;
    case 1:
      std::filesystem::remove_all(file.parent_path());
      break;
    case 2: {
      createCacheFolder();
      const std::string bytes = oddPropertyList(in);
      fuzzing::writeDeviceFile(device(), nimbrel::kCacheFile,
                               reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
      break;
    }
    default: {
      // A readable cache with other keys too, which every rewrite must keep.
      createCacheFolder();
      host::Dictionary cache;
      for (std::size_t n = 1 + in.pick(4); n > 0; --n)
        cache.insert_or_assign(kCacheKeys[in.pick(kCacheKeys.size())], settingValue(in));
      sim::writePropertyList(cache, file.string(), true);
      break;
    }
  }
}

void Run::damageSettingsFile(ByteStream& in) {
  const std::string bytes = oddPropertyList(in);
  const std::filesystem::path file =
      in.pick(2) ? process().preferences().domainFile(nimbrel::kPreferencesDomain)
                 : device().hostPath(nimbrel::kFallbackSettingsFile);
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  fallbackSettings_.clear();
  if (in.pick(2)) post(nimbrel::kSettingsChangedNotification, in);
}

void Run::failService(ByteStream& in) {
  switch (in.pick(6)) {
    case 0:
      process().notifyState().failNextRegister(host::notify::serverNotFound);
      break;
    case 1:
      process().notifyState().failNextGetState(host::notify::failed);
      break;
    case 2:
      process().preferences().failNextCopyMultiple();
      break;
    case 3:
      process().files().failNextWrite(sim::WriteFault::noSpace);
      break;
    case 4:
      process().files().failNextWrite(sim::WriteFault::renameRefused);
      break;
    default:
      process().files().failNextWrite(sim::WriteFault::temporaryFile);
      break;
  }
}

// What else happens to the shell's views: the lock screen rebuilds its date view, the
// wallpaper window is moved or scrolled inside holders, another add-on leaves a background
// subclass in the date view.
void Run::reshapeShell(ByteStream& in) {
  sim::Shell& shell = process().shell();
  switch (in.pick(4)) {
    case 0:
      if (shell.dateViewController()->dateViewIfBuilt()) shell.rebuildDateView();
      break;
    case 1: {
      const auto& holders = shell.embedWallpaperWindow();
      const double x = kReals[in.pick(kReals.size())];
      const double y = kReals[in.pick(kReals.size())];
      sim::viewState(*holders.parent).setBoundsOrigin({x, y});
      break;
    }
    case 2: {
      const auto& holders = shell.embedWallpaperWindow();
      const host::Size size = holders.grandparent->frame().size;
      holders.grandparent->setFrame(host::makeRect(
          kReals[in.pick(kReals.size())], kReals[in.pick(kReals.size())], size.width, size.height));
      break;
    }
    default: {
      sim::WeatherBackgroundClassImpl* subclass = process().weather().backgroundSubclass();
      const auto& dateView = shell.dateViewController()->dateViewIfBuilt();
      if (subclass && dateView) {
        dateView->addSubview(subclass->make(host::makeRect(0, 0, 10, 10)));
        ++viewsAdded_;
      }
      break;
    }
  }
}

void Run::editAssetCatalog(ByteStream& in) {
  sim::AssetLoaderClassImpl* loaderClass = process().weather().assetLoaderClass();
  if (!loaderClass) return;
  const std::int64_t condition = static_cast<std::int64_t>(in.pick(48));
  const bool isDay = in.pick(2) == 1;
  if (in.pick(2))
    loaderClass->catalog().set(condition, isDay, std::nullopt);
  else
    loaderClass->catalog().set(condition, isDay, "added@2x-wxyz");
}

void Run::dismissAlert() {
  const auto& visible = process().alerts().visibleAlerts();
  if (!visible.empty()) process().alerts().dismiss(*visible.front(), 0);
}

void Run::act(ByteStream& in) {
  sim::Shell& shell = process().shell();
  switch (in.pick(25)) {
    case 0:
      post(nimbrel::kLockCompleteNotification, in);
      break;
    case 1:
      process().setDisplay(false);
      if (in.pick(2) == 0) process().runLoop().runUntilIdle();
      break;
    case 2:
      process().setDisplay(true);
      if (in.pick(2) == 0) process().runLoop().runUntilIdle();
      break;
    case 3:
      unlock(in);
      break;
    case 4:
      shell.layoutWallpaper();
      break;
    case 5:
      process().rotate(in.pick(2) ? sim::Orientation::landscape : sim::Orientation::portrait);
      break;
    case 6:
      askParallax();
      break;
    case 7:
      requestDateView();
      break;
    case 8:
      requestContentView(in);
      break;
    case 9:
      askAssetName(in);
      break;
    case 10:
      changeSetting(in);
      break;
    case 11:
      process().runLoop().runUntilIdle();
      break;
    case 12:
      process().runLoop().advance(kAdvances[in.pick(kAdvances.size())]);
      break;
    case 13:
      scriptWeather(in);
      break;
    case 14:
      changeLocalCity(in);
      break;
    case 15:
      changeSavedCities(in);
      break;
    case 16:
      damageCacheFile(in);
      break;
    case 17:
      damageSettingsFile(in);
      break;
    case 18:
      failService(in);
      break;
    case 19:
      respring();
      break;
    case 20:
      reshapeShell(in);
      break;
    case 21:
      editAssetCatalog(in);
      break;
    case 22:
      dismissAlert();
      break;
    case 23:
      post(nimbrel::kSettingsChangedNotification, in);
      break;
    default:
      // Lock, screen on and the date view asked for: the common road, in one step.
      process().darwinNotifyCenter().post(nimbrel::kLockCompleteNotification);
      process().setDisplay(true);
      process().runLoop().runUntilIdle();
      requestDateView();
      break;
  }
}

// No two backgrounds of exactly the background class side by side in the date view.
void Run::checkDateView() {
  const auto& dateView = process().shell().dateViewController()->dateViewIfBuilt();
  sim::WeatherBackgroundClassImpl* backgroundClass = process().weather().backgroundClass();
  if (!dateView || !backgroundClass) return;
  int backgrounds = 0;
  for (const auto& subview : dateView->subviews())
    if (subview->isMemberOfClass(backgroundClass)) ++backgrounds;
  check(backgrounds <= 1, "two weather backgrounds side by side in the date view");
}

// The home-screen list: each background once, each inside a wallpaper host view, at most one
// per host view; none while locked; the current one listed.
void Run::checkHomeScreenViews() {
  const nimbrel::SharedState& s = nimbrel::state();
  sim::Shell& shell = process().shell();
  if (s.weatherView)
    check(s.homeScreenViews && std::find(s.homeScreenViews->begin(), s.homeScreenViews->end(),
                                         s.weatherView) != s.homeScreenViews->end(),
          "the current home-screen background is not listed");
  if (!s.homeScreenViews) return;
  if (s.screenLocked)
    check(s.homeScreenViews->empty(), "home-screen backgrounds listed while locked");
  std::vector<int> perHost(shell.wallpaperViewCount(), 0);
  for (std::size_t i = 0; i < s.homeScreenViews->size(); ++i) {
    const auto& background = (*s.homeScreenViews)[i];
    check(background != nullptr, "an empty entry in the home-screen list");
    for (std::size_t j = 0; j < i; ++j)
      check((*s.homeScreenViews)[j] != background, "a home-screen background listed twice");
    bool inside = false;
    for (std::size_t host = 0; host < shell.wallpaperViewCount(); ++host) {
      if (background->isDescendantOfView(shell.hostView(host).get())) {
        inside = true;
        ++perHost[host];
      }
    }
    check(inside, "a listed home-screen background is outside every wallpaper host view");
  }
  for (int count : perHost) check(count <= 1, "two listed backgrounds in one wallpaper host view");
}

bool finiteView(const host::View& view) {
  const host::AffineTransform t = view.transform();
  return host::isFinite(view.frame()) && host::isFinite(view.bounds()) &&
         std::isfinite(view.center().x) && std::isfinite(view.center().y) && host::isFinite(t) &&
         std::isfinite(view.alpha());
}

void checkTree(const std::shared_ptr<host::View>& root) {
  if (!root) return;
  sim::walkViews(*root, [](const host::View& view, int) {
    check(finiteView(view), "a view's geometry is not finite");
  });
}

// The shell's trees, and the add-on's views wherever they are; looked at again only when a
// view changed or the add-on holds other views.
void Run::checkGeometry() {
  const nimbrel::SharedState& s = nimbrel::state();
  const GeometrySeen seen{sim::viewChanges(), s.weatherBackground.get(), s.weatherHeaderView.get()};
  if (geometrySeen_ == seen) return;
  geometrySeen_ = seen;
  sim::Shell& shell = process().shell();
  checkTree(shell.lockScreenWindow());
  checkTree(shell.wallpaperRoot());
  checkTree(s.weatherBackground);
  checkTree(s.weatherHeaderView);
}

// Only the add-on's random timer runs, and only in timer mode: the settings reactions stop it
// when random weather goes off or the lock-and-unlock mode comes on, display-off stops it.
void Run::checkTimers() {
  const nimbrel::SharedState& s = nimbrel::state();
  int valid = 0;
  for (const auto& timer : process().runLoop().scheduledTimers()) {
    if (!timer->isValid()) continue;
    ++valid;
    check(timer == s.randomTimer, "a valid timer that the add-on does not hold");
    check(s.settings.randomWeather && !s.settings.randomWeatherUnLock,
          "the random timer runs outside the timer mode");
  }
  check(valid <= 1, "more than one random timer");
  if (s.randomTimer)
    check(s.randomTimer->isValid() && valid == 1, "the held random timer is not running");
}

// One alert in the life of a process, of either kind, with the add-on's tag.
void Run::checkAlerts() {
  for (const auto& alert : process().alerts().visibleAlerts()) {
    if (std::find(alerts_.begin(), alerts_.end(), alert) == alerts_.end()) alerts_.push_back(alert);
    check(alert->tag() == kAlertTag, "an alert without the add-on's tag");
  }
  check(alerts_.size() <= 1, "a second alert in one process");
  check(alerts_.empty() != nimbrel::state().alertShown, "alertShown disagrees with the alerts");
}

// The cache file is absent, or a dictionary that kept every key it had; garbage the fuzzer
// wrote may stay until the add-on rewrites it. Between the fuzzer's own changes only a write
// through the process can change it.
void Run::checkCacheFile() {
  const std::uint64_t writes = process().files().writeRequests();
  if (cacheCheckedAt_ == writes) return;
  cacheCheckedAt_ = writes;
  const std::filesystem::path& file = world_.cacheFile();
  if (!std::filesystem::exists(file)) {
    check(cacheKeys_.empty(), "the cache file disappeared");
    return;
  }
  const std::optional<host::Dictionary> cache = sim::readDictionary(file.string());
  if (!cache) {
    check(cacheKeys_.empty(), "the cache file became unreadable");
    return;
  }
  for (const std::string& key : cacheKeys_)
    check(cache->contains(key), "a rewrite of the cache file lost a key");
  for (const auto& entry : *cache) cacheKeys_.insert(entry.first);
}

// What the add-on can hold at once: two lock-screen backgrounds (one left in an old date
// view), one header and its controller, one background per wallpaper view, the city, its
// backup, placeholders, one timer; weather requests in flight each hold their city.
void Run::checkLiveObjects() {
  const sim::LiveObjects now = sim::liveObjects();
  sim::LocationUpdaterClassImpl* updaterClass = process().weather().updaterClass();
  const long pending = updaterClass ? static_cast<long>(updaterClass->shared()->pendingCount()) : 0;
  if (now.views > base_.views + viewsAdded_ + 64) {
    std::fprintf(stderr, "%s\n%s\n",
                 sim::dumpViewTree(*process().shell().lockScreenWindow()).c_str(),
                 sim::dumpViewTree(*process().shell().wallpaperRoot()).c_str());
    finding("simulated views keep growing");
  }
  check(now.cities <= base_.cities + 8 + 2 * pending, "simulated cities keep growing");
  check(now.timers <= base_.timers + 1, "simulated timers keep growing");
  check(now.alerts <= base_.alerts + 1, "simulated alerts keep growing");
}

void Run::checkInvariants() {
  checkDateView();
  checkHomeScreenViews();
  checkGeometry();
  checkTimers();
  checkAlerts();
  checkCacheFile();
  checkLiveObjects();
}

// Runs one input on the world's process; the transcript when asked for.
std::string runInput(const std::uint8_t* data, std::size_t size, bool reuse, bool transcript) {
  ByteStream in(data, size);
  const Launch launch = launchFrom(in);
  World& w = world();
  w.launch(launch, reuse);
  // Nobody reads the record of a run without a transcript; building its lines would be most
  // of the allocations of a run.
  w.process().record().setKeeping(transcript);
  Run run(w, launch, reuse, transcript);
  run.checkInvariants();
  for (int actions = 0; !in.empty() && actions < 256; ++actions) {
    run.act(in);
    run.checkInvariants();
  }
  return run.finish();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
#ifdef NIMBREL_FUZZ_REPLAY
  // The replay runs each input on a new process and then on the reused one: any difference in
  // what they record is something the reset missed, which would make the fuzzer's findings
  // depend on the inputs before them.
  const std::string fresh = runInput(data, size, false, true);
  const std::string reused = runInput(data, size, true, true);
  if (fresh != reused) {
    if (const char* dump = std::getenv("NIMBREL_FUZZ_DUMP")) {
      std::ofstream(std::string(dump) + ".fresh") << fresh;
      std::ofstream(std::string(dump) + ".reused") << reused;
    }
    std::fprintf(stderr, "shell_events: a reused process behaved unlike a new one\n");
    std::abort();
  }
  world().close();
  check(sim::liveObjects() == sim::LiveObjects{}, "simulated objects outlived their process");
#else
  runInput(data, size, true, false);
#endif
  return 0;
}
