// What both worlds share: the device, its configuration and its files on disk.
#include "simulator/device_world.h"

#include <fstream>
#include <map>

#include "sim/foundation/property_list.h"
#include "sim/weather/city_data.h"
#include "simulator/binary_plist.h"
#include "simulator/grammar.h"
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

std::vector<std::uint8_t> hexBytes(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

// The typed value written as TYPE [VALUE] from args[index].
host::Value typedValue(const Statement& s, std::size_t index) {
  const std::string& type = s.args[index].text;
  const Arg* v = s.args.size() > index + 1 ? &s.args[index + 1] : nullptr;
  if (type == "bool") return host::Value(v->flag);
  if (type == "int") return host::Value(static_cast<std::int64_t>(v->number));
  if (type == "real") return host::Value(v->number);
  if (type == "string") return host::Value(v->text);
  if (type == "date") return host::Value(host::Date{v->number});
  if (type == "data") return host::Value(host::Data{hexBytes(v->text)});
  if (type == "array") return host::Value(host::Array{});
  return host::Value(host::Dictionary{});
}

CitySetup citySetup(const Statement& s) {
  CitySetup city;
  city.name = s.args[0].text;
  if (auto a = s.option("lat")) city.latitude = a->number;
  if (auto a = s.option("lon")) city.longitude = a->number;
  if (auto a = s.option("condition")) city.conditionCode = static_cast<std::int64_t>(a->number);
  if (auto a = s.option("day")) city.isDay = a->flag;
  if (auto a = s.option("temp")) city.temperature = a->number;
  if (auto a = s.option("hourly")) city.hourly = *hourlyTemperatures(a->text);
  if (auto a = s.option("age")) city.age = a->number;
  return city;
}

UpdateSetup updateSetup(const Statement& s) {
  UpdateSetup u;
  u.error = s.args[0].text == "error";
  if (auto o = s.option("delay")) u.delay = o->number;
  if (auto o = s.option("condition")) u.conditionCode = static_cast<std::int64_t>(o->number);
  if (auto o = s.option("day")) u.isDay = o->flag;
  if (auto o = s.option("temp")) u.temperature = o->number;
  if (auto o = s.option("hourly")) u.hourly = *hourlyTemperatures(o->text);
  if (auto o = s.option("thread")) u.secondThread = o->text == "second";
  return u;
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
void DeviceWorld::setSeed(std::uint32_t seed) { launch_.randomSeed = seed; }

void DeviceWorld::boot(const std::string& bundle, const std::vector<std::string>& arguments) {
  launch_.bundleIdentifier = bundle;
  launch_.arguments = arguments;
  start();
}

void DeviceWorld::perform(const Statement& s) {
  const std::vector<Arg>& a = s.args;
  switch (s.id) {
    case Command::deviceProfile:
      return device_->setProfile(sim::deviceProfile(a[0].text));
    case Command::deviceCustom: {
      const Arg *screen = s.option("screen"), *native = s.option("native");
      return device_->setProfile(
          sim::customProfile({screen->number, screen->second}, {native->number, native->second}));
    }
    case Command::deviceLacksClass:
      return setClassPresent(a[0].text, false);
    case Command::deviceHasClass:
      setClassPresent(a[0].text, true);
      return setClassLate(a[0].text, false);
    case Command::deviceLateClass:
      return setClassLate(a[0].text, true);
    case Command::deviceLacksMethod:
    case Command::deviceHasMethod:
      return setMethodPresent(s, s.id == Command::deviceHasMethod);
    case Command::deviceHeaderView:
      return setPlatterHeader(a[0].text);
    case Command::home:
      launch_.homeDirectory = a[0].text;
      return;
    case Command::bootShell:
      return boot(kShellBundle, {kShellExecutable});
    case Command::bootProcess: {
      std::vector<std::string> arguments;
      for (std::size_t i = 1; i < a.size(); ++i) arguments.push_back(a[i].text);
      return boot(a[0].text, arguments);
    }
    case Command::respring:
      return start();
    default:
      return performOnFiles(s);
  }
}

void DeviceWorld::performOnFiles(const Statement& s) {
  const std::vector<Arg>& a = s.args;
  switch (s.id) {
    case Command::settingsSet:
      return setPreference(a[0].text, typedValue(s, 1));
    case Command::settingsDelete:
      return preferences().remove(kDomain, a[0].text);
    case Command::settingsClear:
      return preferences().setDomain(kDomain, {});
    case Command::fallbackSet:
      return setPlistKey(kFallbackFile, a[0].text, typedValue(s, 1));
    case Command::fallbackDelete:
      return deletePlistKey(kFallbackFile, a[0].text);
    case Command::fallbackRemove:
      return deleteFile(kFallbackFile);
    case Command::fallbackFormat:
      return setPlistBinary(kFallbackFile, a[0].text == "binary");
    case Command::plistSet:
      return setPlistKey(a[0].text, a[1].text, typedValue(s, 2));
    case Command::plistDelete:
      return deletePlistKey(a[0].text, a[1].text);
    case Command::fileWrite:
      return writeBytes(a[0].text, a[1].text);
    case Command::fileAppend: {
      const Arg* times = s.option("times");
      return appendFile(a[0].text, a[1].text, times ? static_cast<std::size_t>(times->number) : 1);
    }
    case Command::fileDelete:
      return deleteFile(a[0].text);
    case Command::folderCreate:
      return makeFolder(hostPath(a[0].text), a[0].text);
    case Command::folderRemove:
      return removeFolder(a[0].text);
    default:
      return performWeatherApp(s);
  }
}

void DeviceWorld::performWeatherApp(const Statement& s) {
  const std::vector<Arg>& a = s.args;
  const bool bare = !a.empty() && a[0].kind == TokenKind::word;
  switch (s.id) {
    case Command::weatherLocalCity: {
      const Arg* when = s.option("when");
      if (bare && a[0].text == "none") return setLocalCity(LocalCity::none, {});
      return setLocalCity(
          when && when->text == "on-open" ? LocalCity::onceAppOpens : LocalCity::known,
          citySetup(s));
    }
    case Command::weatherSavedCity:
      return addSavedCity(bare && a[0].text == "invalid" ? std::nullopt
                                                         : std::optional(citySetup(s)));
    case Command::weatherSavedCities:
      return setSavedCities(a[0].text == "clear");
    case Command::weatherUnit:
      return setCelsius(a[0].text == "celsius");
    case Command::weatherNextUpdate:
      return queueUpdate(updateSetup(s));
    case Command::weatherAssetRemove:
      return setAsset(static_cast<std::int64_t>(a[0].number), a[1].text == "day", std::nullopt);
    case Command::weatherAssetAdd: {
      const auto condition = static_cast<std::int64_t>(a[0].number);
      const bool isDay = a[1].text == "day";
      return setAsset(condition, isDay,
                      a.size() > 2 ? a[2].text : *standardAssetName(condition, isDay));
    }
    case Command::weatherImageRemove:
    case Command::weatherImageAdd:
      return setConditionImage(a[0].text, s.id == Command::weatherImageAdd);
    default:
      if (!booted()) throw std::logic_error(std::string("no process runs ") + keywordsOf(s.id));
      return performInProcess(s);
  }
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
void DeviceWorld::setMethodPresent(const Statement& s, bool present) {
  if (s.args.size() > 1) {
    auto& absent = device_->version().absentMethods;
    if (present)
      absent.erase({s.args[0].text, s.args[1].text});
    else
      absent.insert({s.args[0].text, s.args[1].text});
    return;
  }
  const std::string& selector = s.args[0].text;
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
void DeviceWorld::setPlatterHeader(const std::string& answer) {
  static const std::map<std::string, sim::PlatterHeader> answers = {
      {"header", sim::PlatterHeader::todayHeader},
      {"nil", sim::PlatterHeader::nil},
      {"plain-view", sim::PlatterHeader::plainView}};
  const auto found = answers.find(answer);
  if (found == answers.end()) throw std::invalid_argument("no header-view answer " + answer);
  device_->version().weatherClasses.platterHeader = found->second;
}

void DeviceWorld::setPreference(const std::string& key, const host::Value& value) {
  // The domain is stored as a property list: a value none can hold (a date far outside the
  // calendar) is the scenario's mistake, found before the store would fail on it.
  if (!sim::xmlPropertyList(host::Value(host::Dictionary{{key, value}})))
    throw std::invalid_argument("this value of " + key + " cannot be stored in a property list");
  preferences().set(kDomain, key, value);
}
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
