// Events as scenario lines. The choices follow shell_events' where a scenario command can make
// them; what only the simulated process can do (a notification left pending, a service's
// daemon failing, garbage in a file) is written as the nearest command both platforms have.
#include "fuzz/event_scenario.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "sim/device/profiles.h"

namespace fuzzing {
namespace {

constexpr std::array kOptionalClasses = {
    "WUIDynamicWeatherBackground", "WUIAsynchronousAssetLoader",     "WeatherPreferences",
    "TWCLocationUpdater",          "WAWeatherPlatterViewController", "WATodayHeaderView"};

constexpr std::array kSettingValues = {
    "bool true",      "bool false",   "int 0",           "int 1",    "int 26",     "int 600",
    "int -5",         "real 0.5",     "real 50",         "real 100", "real 1e308", "string \"1\"",
    "string \"YES\"", "string \"x\"", "date 1000000000", "array"};

constexpr std::array kAdvances = {"1ms", "500ms", "1s",   "2s",  "59s",
                                  "60s", "61s",   "101s", "10m", "1h"};
constexpr std::array kDelays = {"0s", "500ms", "2s", "30s", "100s", "700s"};
constexpr std::array kConditions = {"0", "3", "26", "32", "47"};
constexpr std::array kTemperatures = {"18", "-3.7", "21.9", "0"};
constexpr std::array kPlaces = {"lat=48.85 lon=2.35", "lat=-33.9 lon=151.2", "lat=0 lon=0",
                                "lat=90 lon=180"};
constexpr const char* kCacheFile =
    "\"/Library/Application Support/Nimbrel/nimbrelResources.bundle/nimbrelCache.plist\"";
constexpr const char* kCacheFolder =
    "\"/Library/Application Support/Nimbrel/nimbrelResources.bundle\"";

class Writer {
 public:
  explicit Writer(ByteStream& in) : in_(in) {}

  void launch() {
    const auto& profiles = sim::deviceProfiles();
    line("device " + profiles[in_.pick(profiles.size())].name);
    const std::uint8_t classes = in_.byte();
    for (std::size_t i = 0; i < kOptionalClasses.size(); ++i)
      if (classes & (1u << i)) line(std::string("device lacks class ") + kOptionalClasses[i]);
    if (classes & 64) line("device lacks method setSubtitleHidden:");
    if (classes & 128) line("home /private/var/root");
    line("seed " + std::to_string(in_.byte()));
    const std::uint8_t world = in_.byte();
    if (world & 1) city("weather local-city \"Paris\"", world & 2 ? "" : " when=on-open");
    if (world & 4) city("weather saved-city \"Sydney\"", "");
    if (world & 8) line(std::string("folder create ") + kCacheFolder);
    line("boot shell");
    if (world & 32) line("shell rotate landscape");
  }

  void event() {
    switch (in_.pick(25)) {
      case 0:
        return line("shell lock-complete");
      case 1:
        return line("shell display off");
      case 2:
        return line("shell display on");
      case 3:
        return line("shell unlock");
      case 4:
        return line("shell layout");
      case 5:
        return line(in_.pick(2) ? "shell rotate landscape" : "shell rotate portrait");
      case 6:
        return line("shell parallax");
      case 7:
        return line("shell date-view");
      case 8:
        return line("shell content-view " + std::to_string(in_.pick(2)));
      case 9:
        return line(std::string("shell asset-name ") + pick(kConditions) +
                    (in_.pick(2) ? " yes" : " no"));
      case 10:
        return setting();
      case 11:
        return line("advance 0s");
      case 12:
        return line(std::string("advance ") + pick(kAdvances));
      case 13:
        return weatherUpdate();
      case 14:
        return localCity();
      case 15:
        return savedCities();
      case 16:
        return cacheFile();
      case 17:
        return settingsFile();
      case 18:
        return failure();
      case 19:
        return line("respring");
      case 20:
        return reshape();
      case 21:
        return asset();
      case 22:
        return line("alert dismiss");
      case 23:
        return line("settings post");
      default:
        return line("lock\nwake");
    }
  }

  std::string text() const { return text_; }

 private:
  template <class Table>
  const char* pick(const Table& table) {
    return table[in_.pick(table.size())];
  }

  void line(const std::string& text) { text_ += text + "\n"; }

  void city(const std::string& command, const std::string& options) {
    line(command + " " + pick(kPlaces) + " condition=" + pick(kConditions) +
         (in_.pick(2) ? " day=yes" : " day=no") + options);
  }

  void setting() {
    line(std::string("settings set ") + pick(kSettingKeys) + " " + pick(kSettingValues));
    if (in_.pick(2)) line("settings post");
  }

  void weatherUpdate() {
    if (in_.pick(3) == 0)
      return line(std::string("weather next-update error delay=") + pick(kDelays));
    line(std::string("weather next-update ok delay=") + pick(kDelays) +
         " condition=" + pick(kConditions) + (in_.pick(2) ? " day=yes" : " day=no") +
         " temp=" + pick(kTemperatures));
  }

  void localCity() {
    switch (in_.pick(5)) {
      case 0:
        return line("weather local-city none");
      case 1:
        return city("weather local-city \"Paris\"", "");
      case 2:
        return city("weather local-city \"Paris\"", " when=on-open");
      case 3:
        return line("weather open-app");
      default:
        return line(in_.pick(2) ? "weather unit celsius" : "weather unit fahrenheit");
    }
  }

  void savedCities() {
    switch (in_.pick(4)) {
      case 0:
        return line("weather saved-cities missing");
      case 1:
        return line("weather saved-cities clear");
      case 2:
        return line("weather saved-city invalid");
      default:
        return city("weather saved-city \"Sydney\"", "");
    }
  }

  void cacheFile() {
    switch (in_.pick(4)) {
      case 0:
        return line(std::string("folder create ") + kCacheFolder);
      case 1:
        return line(std::string("folder remove ") + kCacheFolder);
      case 2:
        return line(std::string("file write ") + kCacheFile + " \"not a property list\"");
      default:
        return line(std::string("plist set ") + kCacheFile + " someoneElsesKey " +
                    pick(kSettingValues));
    }
  }

  void settingsFile() {
    if (in_.pick(2))
      line("file write /var/mobile/Library/Preferences/be.quorvane.nimbrel.plist \"garbage\"");
    else
      line(std::string("fallback set ") + pick(kSettingKeys) + " " + pick(kSettingValues));
    if (in_.pick(2)) line("settings post");
  }

  // An asset added under a name of its own, or one removed.
  void asset() {
    const std::string pair = std::string(pick(kConditions)) + (in_.pick(2) ? " day" : " night");
    line(in_.pick(2) ? "weather asset remove " + pair
                     : "weather asset add " + pair + " \"own-art\"");
  }

  void failure() {
    switch (in_.pick(5)) {
      case 0:
        return line("notify fail register");
      case 1:
        return line("notify fail get");
      case 2:
        return line("file fail-next-write no-space");
      case 3:
        return line("file fail-next-write rename");
      default:
        return line("file fail-next-write temp-file");
    }
  }

  void reshape() {
    switch (in_.pick(4)) {
      case 0:
        return line("shell rebuild date-view");
      case 1:
        return line("shell move host 0 0 " + std::to_string(in_.pick(100)));
      case 2:
        return line("shell scroll host 1 0 " + std::to_string(in_.pick(100)));
      default:
        return line("shell date-view add WUIDynamicWeatherBackgroundSubclass");
    }
  }

  ByteStream& in_;
  std::string text_;
};

}  // namespace

std::string scenarioFromEvents(const std::uint8_t* data, std::size_t size) {
  ByteStream in(data, size);
  Writer writer(in);
  writer.launch();
  for (int events = 0; events < 256 && !in.empty(); ++events) writer.event();
  return writer.text();
}

}  // namespace fuzzing
