// The add-on's property-list files on the device, as the simulated platform traces them: each
// read and write of a file under the device folder, and the one write a scenario makes fail.
// The binding reads a file's data with +[NSData dataWithContentsOfFile:] (the preferences
// domain's too, as its stand-in for cfprefsd) and writes it with -[NSData
// writeToFile:atomically:]; the shell process stands between, then calls on.
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
// The binding reads the domain's file twice for one load of the settings: for its key list,
// then (when it has keys) for their values.
bool valuesNext = false;
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

// "1 keys" as reads say it; a write says "1 key".
std::string keys(std::size_t count, bool singular = false) {
  return std::to_string(count) + (singular && count == 1 ? " key" : " keys");
}

// The preferences domain a file belongs to, or none for another file.
std::optional<std::string> preferencesDomain(const std::string& path) {
  constexpr std::string_view folder = "/var/mobile/Library/Preferences/";
  if (!path.starts_with(folder) || !path.ends_with(".plist")) return std::nullopt;
  return path.substr(folder.size(), path.size() - folder.size() - 6);
}

void tracePreferencesRead(const std::string& domain, std::size_t count) {
  if (valuesNext)
    state().add("preferences", "values of " + domain + " (" + keys(count) + ")");
  else if (count == 0)
    state().add("preferences", "no key list for " + domain);
  else
    state().add("preferences", "key list of " + domain + " (" + keys(count) + ")");
  valuesNext = !valuesNext && count > 0;
}

id read(id self, SEL cmd, id file) {
  id data = impAs<id, id>(originalRead)(self, cmd, file);
  if (!calledByAddon(__builtin_return_address(0))) return data;
  if (auto path = devicePath(file)) {
    auto count = keyCount(data);
    if (auto domain = preferencesDomain(*path))
      tracePreferencesRead(*domain, count.value_or(0));
    else
      state().add("file", "read " + *path + (count ? " (" + keys(*count) + ")" : ": none"));
  }
  return data;
}

BOOL write(id self, SEL cmd, id file, BOOL atomically) {
  if (!calledByAddon(__builtin_return_address(0)))
    return impAs<BOOL, id, BOOL>(originalWrite)(self, cmd, file, atomically);
  std::optional<std::string> path = devicePath(file);
  if (path && !nextWriteFault.empty()) {
    state().add("file", "failed to write " + *path + ": " + std::exchange(nextWriteFault, ""));
    return NO;
  }
  const BOOL written = impAs<BOOL, id, BOOL>(originalWrite)(self, cmd, file, atomically);
  if (path)
    state().add("file", written
                            ? "wrote " + *path + " (" + keys(keyCount(self).value_or(0), true) + ")"
                            : "failed to write " + *path);
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
