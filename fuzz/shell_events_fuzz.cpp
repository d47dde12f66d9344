// Random event sequences on a shell with the add-on installed: lock, display, unlock, layout,
// rotation, parallax, date and content views, settings changes and time passing, in any order.
// A platform exception reaching the shell would crash it on the phone, so it crashes here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "events/lock_events.h"
#include "fuzz/fuzz_input.h"
#include "sim/process/process.h"
#include "startup/install_hooks.h"
#include "startup/load_settings.h"
#include "state/shared_state.h"

namespace {

using fuzzing::ByteStream;

constexpr std::array kSettingKeys = {
    "enabled",
    "hideWithTime",
    "hideTimeDate",
    "noReminder",
    "reScaleCompatibility",
    "showOwnWallpaper",
    "homescreenBackground",
    "showOwnHomescreenWallpaper",
    "disableParallax",
    "useLocalCity",
    "updateInterval",
    "randomWeather",
    "randomWeatherUnLock",
    "showTemperatureAndCondition",
    "lockScreenVerticalOffsetTemperatureCondition",
    "customWeather",
    "lockScreenHorizontalOffsetTemperatureCondition",
    "plusLandscape",
    "homeScreenVerticalOffsetBackground",
    "someoneElsesKey",
};

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
constexpr std::array kAdvances = {0.0001, 0.5, 1.0, 59.0, 60.0, 61.0, 600.0, 3600.0};

constexpr std::array kBackgroundSizes = {0.0, 1.0, 375.0, 667.0, 1024.0, 1e6};

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

// The device, system version and launch picked by the first bytes.
struct Launch {
  sim::DeviceProfile profile;
  sim::SystemVersion version;
  sim::LaunchOptions options;
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
  // Another home reads the settings from the fallback file, which no action writes.
  if (classes & 128) launch.options.homeDirectory = "/private/var/root";
  return launch;
}

// Stands in for the home screen's content-view routine until it lands: a background listed
// in the shared state, inside one of the wallpaper views' host views.
void listBackground(sim::Process& process, ByteStream& in) {
  sim::WeatherBackgroundClassImpl* backgrounds = process.weather().backgroundClass();
  const double width = kBackgroundSizes[in.pick(kBackgroundSizes.size())];
  const double height = kBackgroundSizes[in.pick(kBackgroundSizes.size())];
  const std::size_t wallpaper = in.pick(process.shell().wallpaperViewCount());
  if (!backgrounds) return;
  auto background = backgrounds->makeWithFrame(host::makeRect(0, 0, width, height));
  process.shell().hostView(wallpaper)->addSubview(background);
  auto& listed = nimbrel::state().homeScreenViews;
  if (!listed) listed.emplace();
  listed->push_back(background);
}

void changeSetting(sim::Process& process, ByteStream& in) {
  const char* key = kSettingKeys[in.pick(kSettingKeys.size())];
  if (in.pick(8) == 0)
    process.preferences().remove(nimbrel::kPreferencesDomain, key);
  else
    process.preferences().set(nimbrel::kPreferencesDomain, key, settingValue(in));
  process.darwinNotifyCenter().post(nimbrel::kSettingsChangedNotification);
}

void act(sim::Process& process, ByteStream& in) {
  sim::Shell& shell = process.shell();
  switch (in.pick(15)) {
    case 0:
      process.darwinNotifyCenter().post(nimbrel::kLockCompleteNotification);
      break;
    case 1:
      process.setDisplay(false);
      break;
    case 2:
      process.setDisplay(true);
      break;
    case 3:
      shell.finishUnlock(static_cast<long>(in.pick(4)), nullptr);
      break;
    case 4:
      shell.layoutWallpaper();
      break;
    case 5:
      process.rotate(in.pick(2) ? sim::Orientation::landscape : sim::Orientation::portrait);
      break;
    case 6:
      shell.askAllowsParallax();
      break;
    case 7:
      shell.requestDateView();
      break;
    case 8:
      shell.requestContentView(in.pick(shell.wallpaperViewCount()));
      break;
    case 9:
      changeSetting(process, in);
      break;
    case 10:
      process.runLoop().runUntilIdle();
      break;
    case 11:
      process.runLoop().advance(kAdvances[in.pick(kAdvances.size())]);
      break;
    case 12:
      listBackground(process, in);
      break;
    case 13:
      // The notify server or the preferences daemon failing once.
      switch (in.pick(3)) {
        case 0:
          process.notifyState().failNextRegister(host::notify::serverNotFound);
          break;
        case 1:
          process.notifyState().failNextGetState(host::notify::failed);
          break;
        default:
          process.preferences().failNextCopyMultiple();
          break;
      }
      break;
    default:
      // Stands in for the city resolution until it lands: the shared city held.
      nimbrel::state().city = process.factory().newCity();
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteStream in(data, size);
  Launch launch = launchFrom(in);
  sim::TemporaryDevice device(launch.profile, launch.version);
  nimbrel::resetState();
  {
    sim::Process process(device, launch.options);
    nimbrel::installHooks();
    for (int actions = 0; !in.empty() && actions < 256; ++actions) act(process, in);
    process.runLoop().runUntilIdle();
  }
  nimbrel::resetState();
  return 0;
}
