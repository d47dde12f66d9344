// The process as its own runtime answers for it (see process_report.h). Everything here is
// read through Foundation and the test shell's objects, never from what the simulator sent,
// so that where GNUstep and the simulation disagree the comparison sees it.
#include "simulator/objc_shell/process_report.h"

#include <dlfcn.h>

#include <filesystem>

#include "objc/runtime/foundation.h"
#include "objc/test_shell/test_shell.h"
#include "simulator/objc_shell/process_state.h"
#include "simulator/objc_shell/runtime_access.h"

extern "C" id NSHomeDirectory(void);

namespace nimsim::objcshell {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

IMP originalBundleIdentifier = nullptr;

id bundleIdentifier(id self, SEL cmd) {
  if (self != msg(classNamed("NSBundle"), "mainBundle"))
    return nimbrel::objc::impAs<id>(originalBundleIdentifier)(self, cmd);
  const std::string& identifier = deviceNames().bundleIdentifier;
  return identifier.empty() ? nullptr : makeString(identifier);
}

std::vector<std::string> stringArray(id array) {
  std::vector<std::string> out;
  const auto count = isKind(array, "NSArray") ? msg<unsigned long>(array, "count") : 0;
  for (unsigned long i = 0; i < count; ++i)
    out.push_back(text(msg(array, "objectAtIndex:", i)).value_or(""));
  return out;
}

// The property list in a file on the host, as Foundation reads it within the binding's limits.
std::optional<host::Value> readWithFoundation(const fs::path& file) {
  return nimbrel::objc::valueFrom(
      nimbrel::objc::propertyListWithContentsOfFile(makeString(file.string())));
}

std::optional<host::Dictionary> dictionaryIn(const fs::path& file) {
  std::optional<host::Value> value = readWithFoundation(file);
  const host::Dictionary* dictionary = value ? value->get<host::Dictionary>() : nullptr;
  if (!dictionary) return std::nullopt;
  return *dictionary;
}

// Whether `names` is an array listing `wanted` as a string.
bool lists(id names, id wanted) {
  if (!isKind(names, "NSArray") || !wanted || msg<unsigned long>(wanted, "length") == 0)
    return false;
  const auto count = msg<unsigned long>(names, "count");
  for (unsigned long i = 0; i < count; ++i) {
    id name = msg(names, "objectAtIndex:", i);
    if (isKind(name, "NSString") && msg<BOOL>(name, "isEqualToString:", wanted)) return true;
  }
  return false;
}

id objectFor(id dictionary, const char* key) {
  return isKind(dictionary, "NSDictionary") ? msg(dictionary, "objectForKey:", makeString(key))
                                            : nullptr;
}

// Under "Filter", each of "Bundles" and "Executables" that is present must list the process;
// with "Mode" = "Any" one listing is enough; a filter that lists nothing admits nothing.
bool admits(id root, id bundle, id executable) {
  id filter = objectFor(root, "Filter");
  id bundles = objectFor(filter, "Bundles");
  id executables = objectFor(filter, "Executables");
  if (!bundles && !executables) return false;
  const bool bundleListed = lists(bundles, bundle);
  const bool executableListed = lists(executables, executable);
  id mode = objectFor(filter, "Mode");
  if (isKind(mode, "NSString") && msg<BOOL>(mode, "isEqualToString:", makeString("Any")))
    return bundleListed || executableListed;
  return (!bundles || bundleListed) && (!executables || executableListed);
}

fs::path onDevice(const std::string& devicePath) { return deviceNames().root + devicePath; }

// An empty argument list has no executable: GNUstep then names the process after the shell.
id executableName() {
  id arguments = msg(msg(classNamed("NSProcessInfo"), "processInfo"), "arguments");
  if (msg<unsigned long>(arguments, "count") == 0) return nullptr;
  return msg(msg(arguments, "objectAtIndex:", 0ul), "lastPathComponent");
}

json processJson() {
  const std::string& library = deviceNames().library;
  id bundle = msg(msg(classNamed("NSBundle"), "mainBundle"), "bundleIdentifier");
  id arguments = msg(msg(classNamed("NSProcessInfo"), "processInfo"), "arguments");
  // Whether the dynamic loader has the library mapped, whatever the shell process noted.
  void* mapped = library.empty() ? nullptr : dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (mapped) dlclose(mapped);
  return {{"bundle", text(bundle).value_or("")},
          {"arguments", stringArray(arguments)},
          {"home", text(NSHomeDirectory()).value_or("")},
          {"addonLoaded", mapped != nullptr}};
}

json shellJson() {
  std::uint64_t display = 0;
  const bool displayKnown = TSNotifyStateOf(deviceNames().displayStatus.c_str(), &display);
  id screen = msg(classNamed("UIScreen"), "mainScreen");
  return {{"locked", msg<BOOL>(state().shell.lockScreenManager, "isUILocked") != 0},
          {"display", displayKnown ? json(display) : json(nullptr)},
          {"landscape", msg<BOOL>(screen, "isLandscape") != 0}};
}

// Every property list on the device but the hook engine's own, by device path.
json filesJson() {
  json out = json::object();
  const fs::path root = deviceNames().root;
  const fs::path addons = onDevice(deviceNames().addonFolder);
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file() || it->path().extension() != ".plist") continue;
    if (it->path().parent_path() == addons) continue;
    std::string devicePath =
        std::string("/").append(fs::relative(it->path(), root).generic_string());
    auto dictionary = dictionaryIn(it->path());
    out[devicePath] = dictionary ? valueJson(*dictionary) : json("unreadable");
  }
  return out;
}

json settingsJson() {
  const fs::path file =
      onDevice("/var/mobile/Library/Preferences/" + deviceNames().domain + ".plist");
  return valueJson(dictionaryIn(file).value_or(host::Dictionary{}));
}

}  // namespace

DeviceNames& deviceNames() {
  static DeviceNames names;
  return names;
}

void installBundleIdentity() {
  originalBundleIdentifier = replaceMethod(objc_getClass("NSBundle"), "bundleIdentifier",
                                           nimbrel::objc::asImp(&bundleIdentifier));
}

std::optional<bool> filterAdmits(const std::string& name) {
  const id pool = msg(classNamed("NSAutoreleasePool"), "new");
  const fs::path file = onDevice(deviceNames().addonFolder + "/" + name + ".plist");
  id root = nimbrel::objc::propertyListWithContentsOfFile(makeString(file.string()));
  std::optional<bool> admitted;
  if (root)
    admitted = admits(root, msg(msg(classNamed("NSBundle"), "mainBundle"), "bundleIdentifier"),
                      executableName());
  msg<void>(pool, "drain");
  return admitted;
}

json processReport() {
  const id pool = msg(classNamed("NSAutoreleasePool"), "new");
  json out = {{"process", processJson()},
              {"shell", shellJson()},
              {"files", filesJson()},
              {"settings", settingsJson()}};
  msg<void>(pool, "drain");
  return out;
}

}  // namespace nimsim::objcshell
