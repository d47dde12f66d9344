// A simulated device: its screen, its system version and a folder that holds its files, which
// survive a respring.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <string_view>

#include "sim/device/profiles.h"
#include "sim/device/screen.h"
#include "sim/shell/date_view.h"
#include "sim/weather/catalog.h"

namespace sim {

// What the system version offers, where versions differ.
struct SystemVersion {
  WeatherClassSet weatherClasses;
  DateViewMethods dateView;  // older versions raise for setSubtitleHidden:
  // Any class, shell classes included, that the process lacks: no lookup by name finds it.
  std::set<std::string> absentClasses;
  // Classes of a framework that loads after the add-on's initialiser has run: found by name
  // only from Process::loadLateFrameworks on.
  std::set<std::string> lateClasses;
  // Methods ({class, selector}) the system's classes lack: taken out of the class's method
  // table (the metaclass's, for a class method) when the process starts.
  std::set<std::pair<std::string, std::string>> absentMethods;
};

class Device {
 public:
  // Where the hook engine finds add-on libraries and their filter files.
  static constexpr std::string_view addonFolder = "/Library/MobileSubstrate/DynamicLibraries";
  // The Weather app's user defaults, which hold its saved cities.
  static constexpr std::string_view weatherDefaultsFile =
      "/var/mobile/Library/Preferences/com.apple.weather.plist";

  Device(std::filesystem::path root, DeviceProfile profile, SystemVersion version = {});

  const std::filesystem::path& root() const { return root_; }
  const DeviceProfile& profile() const { return profile_; }
  void setProfile(DeviceProfile profile) { profile_ = std::move(profile); }
  Orientation orientation() const { return orientation_; }
  void setOrientation(Orientation orientation) { orientation_ = orientation; }
  const SystemVersion& version() const { return version_; }
  SystemVersion& version() { return version_; }

  // An absolute device path ("/var/mobile/...") mapped under the device folder, by the same
  // rule as the simulated file system. Raises std::invalid_argument for a relative path or
  // one that would leave the folder.
  std::filesystem::path hostPath(std::string_view devicePath) const;

  // Copies an add-on library and its filter file into the add-on folder as <name>.so and
  // <name>.plist.
  void installAddon(const std::filesystem::path& library, const std::filesystem::path& filter,
                    std::string_view name);
  // Copies every file of an installed add-on folder (a package's
  // Library/MobileSubstrate/DynamicLibraries) into the device's add-on folder, as they are
  // named there. Raises std::filesystem::filesystem_error when the folder cannot be read.
  void installAddons(const std::filesystem::path& installedFolder);

  // Virtual time carries on across resprings.
  double clock() const { return clock_; }
  void setClock(double secondsSince1970) { clock_ = secondsSince1970; }

 private:
  std::filesystem::path root_;
  DeviceProfile profile_;
  SystemVersion version_;
  Orientation orientation_ = Orientation::portrait;
  double clock_;
};

// A device whose folder is a fresh temporary directory, removed with it. For tests and
// throw-away simulator runs.
class TemporaryDevice : public Device {
 public:
  explicit TemporaryDevice(DeviceProfile profile = deviceProfile("iphone-6"),
                           SystemVersion version = {});
  ~TemporaryDevice();
  TemporaryDevice(const TemporaryDevice&) = delete;
  TemporaryDevice& operator=(const TemporaryDevice&) = delete;
};

}  // namespace sim
