// The world over the real Objective-C runtime, talking to the shell process over a pipe.
#include "simulator/objc_world.h"

#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "host/object.h"
#include "sim/foundation/property_list.h"
#include "sim/weather/asset_catalog.h"
#include "sim/weather/city_data.h"
#include "sim/weather/condition_names.h"
#include "sim/weather/image_catalog.h"
#include "simulator/command.h"
#include "simulator/device_world.h"
#include "simulator/observe.h"
#include "simulator/shell_processes.h"
#include "simulator/trace.h"

namespace nimsim {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

class ObjcWorld final : public DeviceWorld {
 public:
  explicit ObjcWorld(ObjcPaths paths) : paths_(std::move(paths)) {
    for (const auto& [what, file] :
         {std::pair{"shell process", paths_.shell}, std::pair{"add-on library", paths_.library}})
      if (!fs::is_regular_file(file))
        throw std::invalid_argument(std::string("the Objective-C platform's ") + what +
                                    " is not at " + file);
    ::signal(SIGPIPE, SIG_IGN);
    // As on the phone, /User is the mobile user's folder.
    std::error_code ec;
    fs::create_directories(device_->root() / "var/mobile", ec);
    fs::create_directory_symlink("var/mobile", device_->root() / "User", ec);
    installFilter();
    // Taken now: a new one's start-up overlaps whatever the scenario does before it boots.
    shell_ = ShellProcesses::take(paths_.shell);
  }
  ~ObjcWorld() override { ShellProcesses::giveBack(std::move(shell_)); }

  // Processes.
  bool booted() const override { return booted_; }
  // The Weather app: kept here and given to every process at boot.
  void setLocalCity(LocalCity availability, const CitySetup& city) override {
    localCity_ = availability;
    localCitySetup_ = city;
    if (booted_) call({{"command", "weather"}, {"localCity", localCityJson()}});
  }
  void addSavedCity(const std::optional<CitySetup>& city) override {
    host::Array cities = savedCities_.value_or(host::Array{});
    if (city)
      cities.push_back(sim::toDictionary(cityData(*city, now())));
    else
      cities.push_back(host::Dictionary{{"Invalid", host::Value(true)}});
    savedCities_ = cities;
    applySavedCities();
  }
  void setSavedCities(bool present) override {
    savedCities_ = present ? std::optional<host::Array>(host::Array{}) : std::nullopt;
    applySavedCities();
  }
  void setCelsius(bool celsius) override {
    celsius_ = celsius;
    applySavedCities();
  }
  void queueUpdate(const UpdateSetup& u) override {
    json update = {{"error", u.error},
                   {"condition", u.conditionCode.value_or(26)},
                   {"isDay", u.isDay.value_or(true)},
                   {"temperature", u.temperature.value_or(18.0)},
                   {"hourly", u.hourly.value_or(std::vector<double>{16.0, 18.0, 21.0, 19.0})},
                   {"secondThread", u.secondThread}};
    if (u.delay) update["delay"] = *u.delay;
    if (booted_)
      call({{"command", "weather"}, {"updates", json::array({update})}});
    else
      pendingUpdates_.push_back(update);
  }
  void setAsset(std::int64_t condition, bool isDay, std::optional<std::string> name) override {
    assets_.set(condition, isDay, std::move(name));
    artworkChanged();
  }
  void setConditionImage(const std::string& name, bool present) override {
    images_.setImage(name, present);
    artworkChanged();
  }
  // The shell.
  void postNotification(const std::string& name) override {
    call({{"command", "post"}, {"name", name}});
  }
  void setNotifyState(const std::string& name, std::uint64_t state) override {
    call({{"command", "notifyState"}, {"name", name}, {"state", state}});
  }

  // The shell process carries out the command as parsed; the Weather app stays here.
  void performInProcess(const Statement& s) override {
    if (s.id == Command::weatherOpenApp) {
      appOpened_ = true;
      call({{"command", "weather"}, {"localCityAvailable", localCity_ != LocalCity::none}});
      return;
    }
    if (s.id == Command::shellRotate)
      device_->setOrientation(s.args[0].text == "landscape" ? sim::Orientation::landscape
                                                            : sim::Orientation::portrait);
    const json result = call({{"command", "perform"}, {"statement", statementJson(s)}});
    if (s.id == Command::shellParallax) parallax_ = result.get<bool>();
    if (s.id == Command::shellAssetName) {
      assetAsked_ = true;
      assetName_ = result.get<std::string>();
      if (assetName_->empty()) assetName_.reset();
    }
  }

  // Observation.
  double now() const override { return booted_ ? now_ : device_->clock(); }
  const sim::Record* record() const override { return booted_ ? record_.get() : nullptr; }

  json snapshot(double start) override {
    facts::WorldFacts world{.time = now() - start, .device = deviceJson()};
    if (!booted_) return platformNamed(facts::worldJson(world));
    json parts = call({{"command", "snapshot"}, {"start", start}});
    // The shell process sends what only a request changes once for consecutive snapshots, and
    // always in a new process's first.
    // Read afresh each time: reading the saved cities makes new objects, and the scenario
    // changes files and settings without a request.
    json report;
    for (const char* fresh : {"weather", "process", "shell", "files", "settings"}) {
      report[fresh] = std::move(parts[fresh]);
      parts.erase(fresh);
    }
    world.weather = std::move(report["weather"]);
    if (parts.value("unchangedSinceLast", false)) {
      if (!lastShellParts_) throw SimulationLimit("the shell process referred to no snapshot");
      parts = *lastShellParts_;
    } else {
      lastShellParts_ = parts;
    }
    const json& process = report["process"];
    world.process = facts::ProcessFacts{generation_, process["bundle"], process["arguments"],
                                        process["home"], process["addonLoaded"]};
    world.shellParts = std::move(parts);
    world.files = std::move(report["files"]);
    world.settings = std::move(report["settings"]);
    const json& shell = report["shell"];
    world.shell = {shell["locked"].get<bool>(),
                   shell["display"].is_null()
                       ? std::nullopt
                       : std::optional<std::uint64_t>(shell["display"].get<std::uint64_t>()),
                   shell["landscape"].get<bool>(),
                   parallax_,
                   assetName_,
                   assetAsked_};
    return platformNamed(facts::worldJson(world));
  }

  static json platformNamed(json snapshot) {
    snapshot["platform"] = "objc";
    return snapshot;
  }

  std::string showText(const std::string& what, double start) override {
    json all = snapshot(start);
    json part =
        what == "all" ? all
        : what == "state"
            ? json{{"addon", all["addon"]}, {"shell", all["shell"]}, {"process", all["process"]}}
        : what == "tree" ? all["views"]
                         : all[what];
    std::istringstream in(part.dump(2, ' ', false, json::error_handler_t::replace));
    std::string out;
    for (std::string line; std::getline(in, line);) out += "    " + line + "\n";
    return out;
  }

 private:
  [[noreturn]] static void refuse(const std::string& command) {
    throw NotOnPlatform("'" + command + "' is not available on the objc platform");
  }

  // The answer a platter controller's -headerView gives, as the shell process names it.
  const char* platterHeader() const {
    switch (device_->version().weatherClasses.platterHeader) {
      case sim::PlatterHeader::nil:
        return "nil";
      case sim::PlatterHeader::plainView:
        return "plain-view";
      case sim::PlatterHeader::todayHeader:
        break;
    }
    return "header";
  }

  json lacksMethods() const {
    const sim::DateViewMethods& methods = device_->version().dateView;
    json lacks = json::array();
    if (!methods.timeLabel) lacks.push_back("_timeLabel");
    if (!methods.setSubtitleHidden) lacks.push_back("setSubtitleHidden:");
    if (!methods.setDateHidden) lacks.push_back("setDateHidden:");
    return lacks;
  }

  // The system's catalogues, which outlast every process: made once for every boot until the
  // scenario changes them.
  const json& artworkJson() {
    if (!artwork_) artwork_ = makeArtworkJson();
    return *artwork_;
  }
  void artworkChanged() {
    artwork_.reset();
    if (booted_) call(artworkJson());
  }
  json makeArtworkJson() const {
    json assets = json::object(), names = json::array();
    for (std::int64_t condition = 0; condition < sim::conditions::count; ++condition) {
      for (bool isDay : {true, false})
        if (auto name = assets_.filename(condition, isDay))
          assets[std::to_string(condition) + (isDay ? "-day" : "-night")] = *name;
      names.push_back(images_.nameForIndex(condition).value_or(""));
    }
    return {{"command", "artwork"},
            {"assets", assets},
            {"imageNames", names},
            {"images", images_.imageNames()}};
  }

  // The Weather app's stored settings, as it keeps them on the device: the saved cities and
  // the unit.
  void saveWeatherDefaults() {
    if (absentClassNames().count("WeatherPreferences")) return;
    host::Dictionary defaults;
    if (savedCities_) defaults.insert_or_assign("Cities", host::Value(*savedCities_));
    defaults.insert_or_assign("Celsius", host::Value(celsius_));
    const fs::path path = device_->hostPath(sim::Device::weatherDefaultsFile);
    // The same defaults are not written again at every boot: each rename over the file would
    // make the file system write it out, which costs a respring more than the rest of it.
    if (fileHolds(path, sim::xmlPropertyList(host::Value(defaults)))) return;
    fs::create_directories(path.parent_path());
    if (!sim::writePropertyList(host::Value(defaults), path.string(), true))
      throw std::runtime_error("cannot write the Weather app's defaults to " + path.string());
  }

  static bool fileHolds(const fs::path& path, const std::optional<std::string>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!bytes || !in) return false;
    const std::string held{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return held == *bytes;
  }

  json savedCitiesJson() const { return savedCities_ ? valueJson(*savedCities_) : json(nullptr); }

  // The app's data reaches the running process and its file.
  void applySavedCities() {
    if (!booted_) return;
    call({{"command", "weather"}, {"savedCities", savedCitiesJson()}, {"celsius", celsius_}});
    saveWeatherDefaults();
  }

  json localCityJson() const {
    if (localCity_ == LocalCity::none) return nullptr;
    return {{"city", valueJson(sim::toDictionary(cityData(localCitySetup_, now())))},
            {"available", localCity_ == LocalCity::known || appOpened_}};
  }

  // Sends a request and takes in its trace; a failure comes back as the exception the
  // runner turns into its exit status.
  json call(const json& request) {
    if (!booted_) throw std::logic_error("no process is running");
    return take(shell_->request(request));
  }

  // A reply's trace and clock taken in, and its result or failure.
  json take(const json& reply) {
    now_ = reply.value("now", now_);
    device_->setClock(now_);
    if (reply.contains("idCounters")) idCounters_ = reply["idCounters"];
    for (const json& entry : reply["trace"]) {
      entryTime_ = entry["time"].get<double>();
      record_->add(entry["category"].get<std::string>(), entry["text"].get<std::string>());
    }
    if (reply.value("ok", false)) return reply.value("result", json(nullptr));
    const std::string kind = reply.value("kind", "");
    const std::string message = reply.value("message", "");
    if (kind == "platform") throw host::PlatformException(reply.value("name", ""), message);
    if (kind == "invalid") throw std::invalid_argument(message);
    if (kind == "refused") refuse(message);
    throw SimulationLimit(message);
  }

  // The hook engine reads the add-on's filter on the device, as the package installs it; the
  // library it maps is the runtime's build, named by path. Without a staged filter the device
  // has none, and the shell process loads nothing.
  void installFilter() {
    const fs::path folder = device_->hostPath(sim::Device::addonFolder);
    std::error_code ec;
    fs::create_directories(folder, ec);
    fs::copy_file(fs::path(NIMBREL_STAGED_ADDONS) / "Nimbrel.plist", folder / "Nimbrel.plist",
                  fs::copy_options::overwrite_existing, ec);
  }

  void start() override {
    booted_ = true;
    parallax_.reset();
    assetName_.reset();
    assetAsked_ = false;
    appOpened_ = false;
    ++generation_;
    now_ = device_->clock();
    record_ = std::make_unique<sim::Record>([this] { return entryTime_; });
    const sim::DeviceProfile& profile = device_->profile();
    json boot = {{"command", "boot"},
                 {"now", now_},
                 {"seed", launch_.randomSeed},
                 {"deviceRoot", device_->root().string()},
                 {"artwork", artworkJson()},
                 {"arguments", launch_.arguments.empty() ? std::vector<std::string>{paths_.shell}
                                                         : launch_.arguments},
                 {"home", launch_.homeDirectory},
                 {"idCounters", idCounters_},
                 {"library", paths_.library},
                 {"bundle", launch_.bundleIdentifier},
                 {"domain", kDomain},
                 {"addonFolder", std::string(sim::Device::addonFolder)},
                 {"lockComplete", kLockCompleteName},
                 {"screen",
                  {{"width", profile.points.width},
                   {"height", profile.points.height},
                   {"scale", profile.scale},
                   {"nativeWidth", profile.pixels.width},
                   {"nativeHeight", profile.pixels.height}}},
                 {"absentClasses", absentClassNames()},
                 {"lacksMethods", lacksMethods()},
                 {"absentMethods", device_->version().absentMethods},
                 {"platterHeader", platterHeader()},
                 {"displayStatus", kDisplayStatusName},
                 {"landscape", device_->orientation() == sim::Orientation::landscape},
                 {"lateClasses", device_->version().lateClasses},
                 {"localCity", localCityJson()},
                 {"savedCities", savedCitiesJson()},
                 {"celsius", celsius_},
                 {"updates", std::exchange(pendingUpdates_, json::array())}};
    take(shell_->boot(boot));
    saveWeatherDefaults();
  }

  ObjcPaths paths_;
  std::unique_ptr<ShellProcesses> shell_;
  bool booted_ = false;
  std::unique_ptr<sim::Record> record_;
  double entryTime_ = 0;
  double now_ = 0;
  json idCounters_ = json::object();
  LocalCity localCity_ = LocalCity::none;
  CitySetup localCitySetup_;
  bool appOpened_ = false;
  std::optional<host::Array> savedCities_;
  bool celsius_ = true;
  json pendingUpdates_ = json::array();
  std::optional<bool> parallax_;
  std::optional<std::string> assetName_;
  bool assetAsked_ = false;
  sim::AssetCatalog assets_ = sim::AssetCatalog::standard();
  sim::ImageCatalog images_ = sim::ImageCatalog::standard();
  std::optional<json> artwork_;
  std::optional<json> lastShellParts_;  // the last snapshot's, but what is read afresh
};

}  // namespace

ObjcPaths defaultObjcPaths() {
  const char* shell = std::getenv("NIMSIM_OBJC_SHELL");
  const char* library = std::getenv("NIMSIM_OBJC_ADDON");
  return {shell ? shell : NIMSIM_OBJC_SHELL, library ? library : NIMSIM_OBJC_ADDON};
}

std::unique_ptr<World> makeObjcWorld(const ObjcPaths& paths) {
  return std::make_unique<ObjcWorld>(paths);
}

}  // namespace nimsim
