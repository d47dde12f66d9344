// The process and its device as the shell process's own runtime answers for them: who the
// process is, the shell's lock, display and orientation, the device's property lists as
// Foundation reads them, and whether the hook engine's filter admits the process.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace nimsim::objcshell {

// What the boot tells the process of its device and identity: where the device's folder,
// its preferences domain and the hook engine's add-on folder are, the display's and the
// lock's notify names,
// the bundle identifier the main bundle answers (as the phone's Info.plist would), and the
// add-on library the hook engine maps.
struct DeviceNames {
  std::string root;
  std::string library;
  std::string domain;
  std::string addonFolder;
  std::string displayStatus;
  std::string lockComplete;
  std::string bundleIdentifier;
};
DeviceNames& deviceNames();

// Installed once, before any boot: -[NSBundle bundleIdentifier] of the main bundle answers
// the boot's identifier.
void installBundleIdentity();

// Whether the filter `name`.plist in the add-on folder admits this process, read with
// Foundation and matched as the hook engine matches it; none when there is no readable filter.
std::optional<bool> filterAdmits(const std::string& name);

// The snapshot's "process" (but the generation), "shell" (locked, display, landscape),
// "files" and "settings", read afresh.
nlohmann::json processReport();

}  // namespace nimsim::objcshell
