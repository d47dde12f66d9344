// What both worlds share: the device, its configuration and its files on disk.
#include "simulator/device_world.h"

#include <fstream>
#include <map>

#include "sim/foundation/property_list.h"
#include "sim/weather/city_data.h"
#include "simulator/binary_plist.h"
#include "simulator/observe.h"

namespace nimsim {

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

bool* classFlag(sim::WeatherClassSet& set, const std::string& name) {
  static const std::map<std::string, bool sim::WeatherClassSet::*> flags = {
      {"WeatherPreferences", &sim::WeatherClassSet::weatherPreferences},
      {"TWCLocationUpdater", &sim::WeatherClassSet::locationUpdater},
      {"WUIDynamicWeatherBackground", &sim::WeatherClassSet::dynamicWeatherBackground},
      {"WUIAsynchronousAssetLoader", &sim::WeatherClassSet::assetLoader},
      {"WeatherImageLoader", &sim::WeatherClassSet::imageLoader},
      {"WAWeatherPlatterViewController", &sim::WeatherClassSet::platterViewController},
      {"WATodayHeaderView", &sim::WeatherClassSet::todayHeaderView},
      {"WAHourlyForecast", &sim::WeatherClassSet::hourlyForecast}};
  auto found = flags.find(name);
  return found == flags.end() ? nullptr : &(set.*(found->second));
}

}  // namespace

sim::CityData cityData(const CitySetup& setup, double now) {
  sim::CityData data;
  data.name = setup.name;
  data.location = host::Coordinate{setup.latitude, setup.longitude};
  data.conditionCode = setup.conditionCode;
  data.isDay = setup.isDay;
  data.temperatureCelsius = setup.temperature;
  data.hourlyCelsius = setup.hourly;
  data.updateTime = host::Date{now - setup.age.value_or(0)};
  return data;
}

DeviceWorld::DeviceWorld()
    : device_(std::make_unique<sim::TemporaryDevice>(sim::deviceProfile("iphone-8"))) {}

void DeviceWorld::checkProfile(const std::string& name) {
  try {
    sim::deviceProfile(name);
  } catch (const std::invalid_argument& e) {
    throw BadDeviceSetup(e.what());
  }
}
void DeviceWorld::setProfile(const std::string& name) {
  device_->setProfile(sim::deviceProfile(name));
}
void DeviceWorld::setCustomScreen(double w, double h, double nw, double nh) {
  device_->setProfile(sim::customProfile({w, h}, {nw, nh}));
}
void DeviceWorld::setClassPresent(const std::string& name, bool present) {
  if (bool* flag = classFlag(device_->version().weatherClasses, name)) {
    *flag = present;
    return;
  }
  std::set<std::string>& absent = device_->version().absentClasses;
  if (present)
    absent.erase(name);
  else
    absent.insert(name);
}
void DeviceWorld::setClassLate(const std::string& name, bool late) {
  std::set<std::string>& lateClasses = device_->version().lateClasses;
  if (late)
    lateClasses.insert(name);
  else
    lateClasses.erase(name);
}
void DeviceWorld::setDateViewMethod(const std::string& selector, bool present) {
  sim::DateViewMethods& methods = device_->version().dateView;
  if (selector == "_timeLabel")
    methods.timeLabel = present;
  else if (selector == "setSubtitleHidden:")
    methods.setSubtitleHidden = present;
  else if (selector == "setDateHidden:")
    methods.setDateHidden = present;
  else
    throw std::invalid_argument("no date view method named " + selector);
}
void DeviceWorld::setMethodPresent(const std::string& className, const std::string& selector,
                                   bool present) {
  auto& absent = device_->version().absentMethods;
  if (present)
    absent.erase({className, selector});
  else
    absent.insert({className, selector});
}
void DeviceWorld::setPlatterHeader(const std::string& answer) {
  static const std::map<std::string, sim::PlatterHeader> answers = {
      {"header", sim::PlatterHeader::todayHeader},
      {"nil", sim::PlatterHeader::nil},
      {"plain-view", sim::PlatterHeader::plainView}};
  const auto found = answers.find(answer);
  if (found == answers.end()) throw std::invalid_argument("no header-view answer " + answer);
  device_->version().weatherClasses.platterHeader = found->second;
}
void DeviceWorld::setHome(const std::string& path) { launch_.homeDirectory = path; }
void DeviceWorld::setSeed(std::uint32_t seed) { launch_.randomSeed = seed; }

void DeviceWorld::setPreference(const std::string& key, const host::Value& value) {
  // The domain is stored as a property list: a value none can hold (a date far outside the
  // calendar) is the scenario's mistake, found before the store would fail on it.
  if (!sim::xmlPropertyList(host::Value(host::Dictionary{{key, value}})))
    throw std::invalid_argument("this value of " + key + " cannot be stored in a property list");
  preferences().set(kDomain, key, value);
}
void DeviceWorld::deletePreference(const std::string& key) { preferences().remove(kDomain, key); }
void DeviceWorld::clearPreferences() { preferences().setDomain(kDomain, {}); }
void DeviceWorld::setPlistKey(const std::string& path, const std::string& key,
                              const host::Value& value) {
  fs::path file = hostPath(path);
  host::Dictionary dictionary = sim::readDictionary(file.string()).value_or(host::Dictionary{});
  dictionary.insert_or_assign(key, value);
  writePlist(path, dictionary);
}
void DeviceWorld::deletePlistKey(const std::string& path, const std::string& key) {
  fs::path file = hostPath(path);
  host::Dictionary dictionary = sim::readDictionary(file.string()).value_or(host::Dictionary{});
  dictionary.erase(key);
  writePlist(path, dictionary);
}
void DeviceWorld::setPlistBinary(const std::string& path, bool binary) {
  if (binary)
    binaryFiles_.insert(path);
  else
    binaryFiles_.erase(path);
  if (auto existing = sim::readDictionary(hostPath(path).string())) writePlist(path, *existing);
}
void DeviceWorld::writeFile(const std::string& path, const std::string& text) {
  writeBytes(path, text);
}
void DeviceWorld::appendFile(const std::string& path, const std::string& text, std::size_t times) {
  fs::path file = hostPath(path);
  makeFolder(file.parent_path(), fs::path(path).parent_path().string());
  std::ofstream out(file, std::ios::binary | std::ios::app);
  for (std::size_t i = 0; i < times; ++i) out << text;
  if (!out) throw std::invalid_argument("cannot write " + path);
}
void DeviceWorld::deleteFile(const std::string& path) {
  std::error_code ec;
  fs::remove(hostPath(path), ec);
}
void DeviceWorld::createFolder(const std::string& path) { makeFolder(hostPath(path), path); }
void DeviceWorld::removeFolder(const std::string& path) {
  fs::path folder = hostPath(path);
  std::error_code ec;
  if (fs::equivalent(folder, device_->root(), ec))
    throw std::invalid_argument("the device's root folder cannot be removed");
  fs::remove_all(folder, ec);
}

// The settings pane's side of the domain; what it does is not the add-on's, so it has a
// record of its own.
sim::PreferencesStore DeviceWorld::preferences() {
  return sim::PreferencesStore(device_->root(), paneRecord_);
}

fs::path DeviceWorld::hostPath(const std::string& devicePath) const {
  auto mapped = sim::mapDevicePath(device_->root(), devicePath);
  if (!mapped) throw std::invalid_argument("the path " + devicePath + " leaves the device");
  return *mapped;
}

// Creates the folder and its parents; a file in the way is bad input, named by its device
// path.
void DeviceWorld::makeFolder(const fs::path& folder, const std::string& devicePath) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec)
    throw std::invalid_argument("cannot create the folder " + devicePath + ": " + ec.message());
}

void DeviceWorld::writeBytes(const std::string& devicePath, const std::string& bytes) {
  fs::path file = hostPath(devicePath);
  makeFolder(file.parent_path(), fs::path(devicePath).parent_path().string());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::invalid_argument("cannot write " + devicePath);
}

void DeviceWorld::writePlist(const std::string& path, const host::Dictionary& dictionary) {
  fs::path file = hostPath(path);
  if (binaryFiles_.count(path)) {
    auto bytes = binaryPropertyList(dictionary);
    if (!bytes) throw std::invalid_argument("these values cannot be written to " + path);
    writeBytes(path, *bytes);
    return;
  }
  makeFolder(file.parent_path(), fs::path(path).parent_path().string());
  if (!sim::writePropertyList(dictionary, file.string(), true))
    throw std::invalid_argument("these values cannot be written to " + path);
}

std::set<std::string> DeviceWorld::absentClassNames() {
  std::set<std::string> names = device_->version().absentClasses;
  for (const char* name :
       {"WeatherPreferences", "TWCLocationUpdater", "WUIDynamicWeatherBackground",
        "WUIAsynchronousAssetLoader", "WeatherImageLoader", "WAWeatherPlatterViewController",
        "WATodayHeaderView", "WAHourlyForecast"})
    if (bool* flag = classFlag(device_->version().weatherClasses, name); flag && !*flag)
      names.insert(name);
  return names;
}

json DeviceWorld::deviceJson() const {
  const sim::DeviceProfile& profile = device_->profile();
  bool landscape = device_->orientation() == sim::Orientation::landscape;
  double w = profile.points.width, h = profile.points.height;
  return {{"profile", profile.name},
          {"screen", {{"width", landscape ? h : w}, {"height", landscape ? w : h}}},
          {"native", {{"width", profile.pixels.width}, {"height", profile.pixels.height}}},
          {"orientation", landscape ? "landscape" : "portrait"}};
}

json DeviceWorld::filesJson() const {
  json out = json::object();
  std::error_code ec;
  fs::path addons = hostPath(std::string(sim::Device::addonFolder));
  for (fs::recursive_directory_iterator it(device_->root(), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (!it->is_regular_file() || it->path().extension() != ".plist") continue;
    if (it->path().parent_path() == addons) continue;
    // Appended, not "/" + ...: g++ 12 at -O3 reports a false -Wrestrict in operator+.
    std::string devicePath =
        std::string("/").append(fs::relative(it->path(), device_->root()).generic_string());
    auto dictionary = sim::readDictionary(it->path().string());
    out[devicePath] = dictionary ? valueJson(*dictionary) : json("unreadable");
  }
  return out;
}

}  // namespace nimsim
