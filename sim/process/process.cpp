// A simulated shell process: the platform assembled on a device, and its respring.
#include "sim/process/process.h"

#include <stdexcept>

#include "host/strings.h"
#include "sim/foundation/property_list.h"

namespace sim {

namespace {

Process* running = nullptr;

// The unit lives beside the saved cities in the Weather app's user defaults.
constexpr const char* kCelsiusKey = "Celsius";

// Makes objects as the phone's classes do when named directly: a class that is absent, or
// whose framework has not loaded yet, makes none.
class ProcessFactory final : public host::Factory {
 public:
  ProcessFactory(Runtime& runtime, WeatherCatalog& weather, const ViewClasses& views)
      : runtime_(runtime), weather_(weather), views_(views) {}
  std::shared_ptr<host::City> newCity() override {
    return loaded(weatherClassNames::city) ? weather_.newCity() : nullptr;
  }
  std::shared_ptr<host::City> newCity(const host::Dictionary& representation) override {
    return loaded(weatherClassNames::city) ? weather_.newCity(representation) : nullptr;
  }
  std::shared_ptr<host::Location> newLocation(double latitude, double longitude) override {
    return loaded(weatherClassNames::location) ? weather_.newLocation(latitude, longitude)
                                               : nullptr;
  }
  // One shared object for the process's life, as UIKit's cached colour is.
  std::shared_ptr<host::Color> whiteColor() override {
    if (!white_ && loaded("UIColor")) white_ = views_.makeColor("white");
    return white_;
  }

 private:
  bool loaded(std::string_view name) { return runtime_.getClass(name) != nullptr; }

  Runtime& runtime_;
  WeatherCatalog& weather_;
  const ViewClasses& views_;
  std::shared_ptr<Color> white_;
};

}  // namespace

Process::CurrentClaim::CurrentClaim(Process* process) {
  if (running) throw std::logic_error("a simulated process is already running; one at a time");
  running = process;
}

Process::CurrentClaim::~CurrentClaim() { running = nullptr; }

Process::Process(Device& device, LaunchOptions options)
    : claim_(this),
      device_(device),
      options_(std::move(options)),
      record_([this] { return clockSource_ ? clockSource_->seconds() : device_.clock(); }),
      runtime_(record_),
      viewClasses_(defineViewClasses(runtime_)),
      runLoop_(record_, runtime_, device.clock()),
      processInfo_(options_.arguments, options_.homeDirectory),
      preferences_(device.root(), record_),
      files_(device.root(), record_),
      notificationCenter_(record_, runLoop_),
      notifyState_(record_),
      alerts_(record_, runtime_),
      random_(options_.randomSeed) {
  clockSource_ = &runLoop_;
  screen_ = std::make_unique<Screen>(viewClasses_.screen, device.profile(), device.orientation());
  weather_ = std::make_unique<WeatherCatalog>(runtime_, viewClasses_, record_,
                                              runLoopEnvironment(runLoop_),
                                              device.version().weatherClasses);
  shell_ = std::make_unique<Shell>(
      runtime_, viewClasses_, record_, *screen_, runLoop_,
      ShellOptions{device.version().dateView, device.orientation() == Orientation::landscape});
  factory_ = std::make_unique<ProcessFactory>(runtime_, *weather_, viewClasses_);
  notifyState_.setState(kDisplayStatusName, 1);
  restoreWeatherDefaults();
  for (const auto& name : device.version().absentClasses) runtime_.hideClass(name);
  for (const auto& [className, selector] : device.version().absentMethods)
    if (host::Class* cls = runtime_.findClass(className))
      if (!runtime_.removeMethod(*cls, {selector}))
        runtime_.removeMethod(cls->objectClass(), {selector});
  hideLateClasses();
}

Process::~Process() {
  device_.setClock(runLoop_.seconds());
  addons_.clear();
}

Process* Process::current() { return running; }

void Process::loadAddons() {
  const std::string executable =
      options_.arguments.empty() ? "" : host::strings::lastPathComponent(options_.arguments[0]);
  std::vector<LoadedAddon> loaded = sim::loadAddons(
      device_.hostPath(Device::addonFolder), {executable, options_.bundleIdentifier}, record_);
  for (auto& addon : loaded) addons_.push_back(std::move(addon));
}

void Process::loadLateFrameworks() {
  for (const auto& name : device_.version().lateClasses) {
    if (!device_.version().absentClasses.contains(name)) runtime_.revealClass(name);
  }
}

void Process::hideLateClasses() {
  for (const auto& name : device_.version().lateClasses) runtime_.hideClass(name);
}

void Process::rotate(Orientation orientation) {
  device_.setOrientation(orientation);
  screen_->setOrientation(orientation);
  shell_->rotate(orientation == Orientation::landscape);
}

void Process::setDisplay(bool on) {
  notifyState_.setState(kDisplayStatusName, on ? 1 : 0);
  notificationCenter_.post(kDisplayStatusName);
}

void Process::reset(LaunchOptions options) {
  options_ = std::move(options);
  processInfo_ = ProcessInfoImpl(options_.arguments, options_.homeDirectory);
  screen_->setProfile(device_.profile());
  record_.clear();
  runLoop_.reset(device_.clock());
  notificationCenter_.dropPending();
  notifyState_.reset();
  preferences_.clearFailures();
  files_.clearFailures();
  alerts_.reset();
  random_.reseed(options_.randomSeed);
  screen_->setOrientation(device_.orientation());
  weather_->reset();
  shell_->reset(device_.orientation() == Orientation::landscape);
  factory_ = std::make_unique<ProcessFactory>(runtime_, *weather_, viewClasses_);
  notifyState_.setState(kDisplayStatusName, 1);
  restoreWeatherDefaults();
  hideLateClasses();
}

void Process::restoreWeatherDefaults() {
  WeatherPreferencesClassImpl* preferences = weather_->preferencesClass();
  if (!preferences) return;
  std::optional<host::Dictionary> defaults =
      readDictionary(device_.hostPath(Device::weatherDefaultsFile).string());
  if (!defaults) return;
  if (const host::Value* celsius = host::objectForKey(&*defaults, kCelsiusKey);
      celsius && celsius->hasNumericReading())
    preferences->shared()->setCelsius(celsius->boolValue());
  preferences->setUserDefaults(std::move(*defaults));
}

void Process::saveWeatherDefaults() {
  WeatherPreferencesClassImpl* preferences = weather_->preferencesClass();
  if (!preferences) return;
  host::Dictionary defaults = preferences->userDefaults();
  defaults.insert_or_assign(kCelsiusKey, preferences->shared()->isCelsius());
  const std::filesystem::path path = device_.hostPath(Device::weatherDefaultsFile);
  std::filesystem::create_directories(path.parent_path());
  if (!writePropertyList(defaults, path.string(), true))
    throw std::runtime_error("cannot write the Weather app's defaults to " + path.string());
}

}  // namespace sim

host::Platform& host::platform() {
  sim::Process* process = sim::Process::current();
  if (!process) throw std::logic_error("no simulated process is running");
  return *process;
}
