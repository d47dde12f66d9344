// The add-on's property-list files on the device, as the simulated platform traces them: each
// read and write of a file under the device folder, and the one write a scenario makes fail.
// The binding reads a file's data with +[NSData dataWithContentsOfFile:] and writes it with
// -[NSData writeToFile:atomically:]; the shell process stands between, then calls on. The
// preferences stand-in tells of each copy of the domain's keys or values itself.
#include <cstdlib>
#include <string>

#include "objc/runtime/foundation.h"
#include "simulator/objc_shell/file_watch.h"
#include "simulator/objc_shell/process_state.h"
#include "simulator/objc_shell/runtime_access.h"
#include "simulator/objc_shell/runtime_watch.h"

namespace nimsim::objcshell {
namespace {

using nimbrel::objc::asImp;
using nimbrel::objc::impAs;

IMP originalRead = nullptr;
IMP originalWrite = nullptr;
std::string nextWriteFault;  // "" for none

// The path on the device, or none for a file outside its folder.
std::optional<std::string> devicePath(id file) {
  const char* root = std::getenv("NIMBREL_DEVICE_ROOT");
  std::optional<std::string> path = text(file);
  if (!root || !*root || !path || !path->starts_with(root)) return std::nullopt;
  return path->substr(std::string(root).size());
}

// The number of keys of the property list in `data`, or none when it holds no dictionary;
// read within the limits the binding keeps, since a hostile file must not end this process.
std::optional<std::size_t> keyCount(id data) {
  id list = nimbrel::objc::propertyListFromData(data);
  if (!isKind(list, "NSDictionary")) return std::nullopt;
  return msg<unsigned long>(list, "count");
}

// The preferences domain a file belongs to, or none for another file.
std::optional<std::string> preferencesDomain(const std::string& path) {
  constexpr std::string_view folder = "/var/mobile/Library/Preferences/";
  if (!path.starts_with(folder) || !path.ends_with(".plist")) return std::nullopt;
  return path.substr(folder.size(), path.size() - folder.size() - 6);
}

id read(id self, SEL cmd, id file) {
  id data = impAs<id, id>(originalRead)(self, cmd, file);
  if (!calledByAddon(__builtin_return_address(0))) return data;
  if (auto path = devicePath(file)) {
    // The preferences stand-in tells of the domain's files itself, as copies of keys or values.
    if (!preferencesDomain(*path)) state().add(facts::FileRead{*path, keyCount(data)});
  }
  return data;
}

BOOL write(id self, SEL cmd, id file, BOOL atomically) {
  if (!calledByAddon(__builtin_return_address(0)))
    return impAs<BOOL, id, BOOL>(originalWrite)(self, cmd, file, atomically);
  std::optional<std::string> path = devicePath(file);
  if (path && !nextWriteFault.empty()) {
    state().add(facts::FileWriteFailed{*path, std::exchange(nextWriteFault, "")});
    return NO;
  }
  const BOOL written = impAs<BOOL, id, BOOL>(originalWrite)(self, cmd, file, atomically);
  if (path && written) state().add(facts::FileWritten{*path, keyCount(self).value_or(0)});
  if (path && !written) state().add(facts::FileWriteFailed{*path});
  return written;
}

}  // namespace

void watchFiles() {
  originalRead =
      replaceMethod(objc_getMetaClass("NSData"), "dataWithContentsOfFile:", asImp(&read));
  originalWrite = replaceMethod(objc_getClass("NSData"), "writeToFile:atomically:", asImp(&write));
}

void failNextWrite(const std::string& fault) { nextWriteFault = fault; }

}  // namespace nimsim::objcshell

// The preferences stand-in's word on each copy the add-on asked of it.
extern "C" void nimbrel_preferences_copied(const char* call, const char* domain, long count) {
  using nimsim::objcshell::state;
  const auto which = std::string(call) == "key list" ? facts::PreferencesCall::keyList
                                                     : facts::PreferencesCall::values;
  state().add(facts::PreferencesRead{
      which, domain, count < 0 ? std::nullopt : std::optional(static_cast<std::size_t>(count))});
}
