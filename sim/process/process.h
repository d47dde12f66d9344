// One simulated shell process: the platform the add-on runs on, assembled from the simulated
// runtime, views, services, Weather frameworks and shell, on a device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/platform.h"
#include "sim/device/screen.h"
#include "sim/process/addon_loader.h"
#include "sim/process/device.h"
#include "sim/record.h"
#include "sim/runtime/runtime.h"
#include "sim/services/alerts.h"
#include "sim/services/device_files.h"
#include "sim/services/notification_center.h"
#include "sim/services/notify_state.h"
#include "sim/services/process_info.h"
#include "sim/services/random.h"
#include "sim/services/run_loop.h"
#include "sim/services/system_log.h"
#include "sim/shell/shell.h"
#include "sim/views/classes.h"
#include "sim/weather/catalog.h"

namespace sim {

struct LaunchOptions {
  std::vector<std::string> arguments{"/System/Library/CoreServices/SpringBoard.app/SpringBoard"};
  std::string homeDirectory = "/var/mobile";
  std::string bundleIdentifier = "com.apple.springboard";
  std::uint32_t randomSeed = 1;
};

// The display's state lives under this notify name: 0 while the display is off.
inline constexpr const char* kDisplayStatusName = "com.apple.iokit.hid.displayStatus";

// A process is the current platform from construction to destruction; one at a time. A
// respring is destroying it and making a new one on the same device: files survive, memory
// does not, and virtual time carries on.
class Process final : public host::Platform {
 public:
  Process(Device& device, LaunchOptions options = {});
  ~Process() override;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // The running process, or none.
  static Process* current();

  // What the hook engine does at launch: maps each add-on of the device whose filter admits
  // this process, running its initialisers.
  void loadAddons();
  const std::vector<LoadedAddon>& addons() const { return addons_; }
  // The frameworks that load after the add-ons: the system version's late classes are found
  // by name from now on.
  void loadLateFrameworks();

  // The interface turns: the screen's bounds follow, and the shell lays its wallpaper out.
  void rotate(Orientation orientation);
  // Sets the display state and posts the display-status notification.
  void setDisplay(bool on);
  // Writes the Weather app's user defaults (saved cities, unit) to the device, where the next
  // process finds them.
  void saveWeatherDefaults();
  // A cheap relaunch for fuzzing: the process as a new one with these options on its device
  // (profile, clock, orientation and the Weather app's defaults read from the device again)
  // would be, except that the runtime keeps its classes (those of the system version at
  // construction, the late ones hidden again until loadLateFrameworks) and method tables and the
  // notification center its observers, that is, whatever loaded add-ons installed. Every object
  // made since is let go: pending events, timers, alerts, views, the Weather objects; the record is
  // emptied. The add-on's own module state is the caller's to reset, first.
  void reset(LaunchOptions options);

  Device& device() { return device_; }
  const LaunchOptions& launchOptions() const { return options_; }
  Record& record() { return record_; }
  const ViewClasses& viewClasses() const { return viewClasses_; }
  WeatherCatalog& weather() { return *weather_; }
  Shell& shell() { return *shell_; }

  // The platform, each part as its simulated type.
  Runtime& runtime() override { return runtime_; }
  ProcessInfoImpl& processInfo() override { return processInfo_; }
  PreferencesStore& preferences() override { return preferences_; }
  PropertyListFileSystem& files() override { return files_; }
  DarwinNotificationCenter& darwinNotifyCenter() override { return notificationCenter_; }
  NotifyState& notifyState() override { return notifyState_; }
  Screen& mainScreen() override { return *screen_; }
  Alerts& alerts() override { return alerts_; }
  RunLoop& runLoop() override { return runLoop_; }
  host::Clock& clock() override { return runLoop_; }
  SeededRandom& random() override { return random_; }
  host::Factory& factory() override { return *factory_; }
  SystemLogImpl& systemLog() override { return systemLog_; }

 private:
  void restoreWeatherDefaults();
  void hideLateClasses();

  // Makes the process the current platform for exactly its lifetime, the first thing made
  // and the last undone.
  class CurrentClaim {
   public:
    explicit CurrentClaim(Process* process);
    ~CurrentClaim();
    CurrentClaim(const CurrentClaim&) = delete;
    CurrentClaim& operator=(const CurrentClaim&) = delete;
  };

  CurrentClaim claim_;
  const RunLoop* clockSource_ = nullptr;
  Device& device_;
  LaunchOptions options_;
  Record record_;
  Runtime runtime_;
  ViewClasses viewClasses_;
  RunLoop runLoop_;
  ProcessInfoImpl processInfo_;
  PreferencesStore preferences_;
  PropertyListFileSystem files_;
  DarwinNotificationCenter notificationCenter_;
  NotifyState notifyState_;
  Alerts alerts_;
  SeededRandom random_;
  SystemLogImpl systemLog_{record_};
  std::unique_ptr<Screen> screen_;
  std::unique_ptr<WeatherCatalog> weather_;
  std::unique_ptr<Shell> shell_;
  std::unique_ptr<host::Factory> factory_;
  // Last, so that add-ons are unmapped first, while everything they hold is still alive.
  std::vector<LoadedAddon> addons_;
};

}  // namespace sim
