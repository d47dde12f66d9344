// Linux stand-ins for the phone's services: preferences read from the domain's file through
// Foundation, the notify center and notify state from the process (objc/seam/stand_ins.h),
// and device paths under NIMBREL_DEVICE_ROOT.
#if !defined(__APPLE__)

#include <cstdlib>

#include "objc/runtime/foundation.h"
#include "objc/runtime/message.h"
#include "objc/seam/stand_ins.h"
#include "objc/seam/system.h"

// Told of each preferences copy where the process provides it (a weak symbol, absent on the
// phone): "key list" or "values", the domain, and how many keys the copy holds (-1 for none).
extern "C" void nimbrel_preferences_copied(const char* call, const char* domain, long keys)
    __attribute__((weak));

namespace nimbrel::objc::seam {

namespace {

// Returns the copy, having told of it.
id told(const char* call, id domain, id copy) {
  if (nimbrel_preferences_copied)
    nimbrel_preferences_copied(
        call, stringFrom(domain).value_or("").c_str(),
        copy ? static_cast<long>(send<unsigned long>(copy, sel<"count">())) : -1);
  return copy;
}

// The domain's file, as cfprefsd keeps it for the mobile user, read within the limits every
// reader keeps; nil when missing, unreadable or not a dictionary.
Owned domainValues(id domain) {
  std::string path = "/var/mobile/Library/Preferences/";
  path += stringFrom(domain).value_or("") + ".plist";
  Owned file = makeString(devicePath(path));
  id values = propertyListWithContentsOfFile(file.get());
  if (!isKindOfClass(values, cls<"NSDictionary">())) return Owned();
  return Owned(send<id>(values, sel<"retain">()));
}

}  // namespace

id copyPreferencesKeyList(id domain) {
  PoolScope pool;
  Owned values = domainValues(domain);
  id keys = send<id>(values.get(), sel<"allKeys">());
  if (send<unsigned long>(keys, sel<"count">()) == 0) return told("key list", domain, nullptr);
  return told("key list", domain, send<id>(keys, sel<"retain">()));
}

id copyPreferencesMultiple(id keys, id domain) {
  if (!keys) return told("values", domain, nullptr);
  Owned values = domainValues(domain);
  id result = send<id>(send<id>(cls<"NSMutableDictionary">(), sel<"alloc">()), sel<"init">());
  const auto count = send<unsigned long>(keys, sel<"count">());
  for (unsigned long i = 0; i < count; ++i) {
    id key = send<id>(keys, sel<"objectAtIndex:">(), i);
    if (id value = send<id>(values.get(), sel<"objectForKey:">(), key))
      send<void>(result, sel<"setObject:forKey:">(), value, key);
  }
  return told("values", domain, result);
}

void addDarwinObserver(const char* name, DarwinCallback callback, void* context,
                       int suspensionBehavior) {
  nimbrel_darwin_add_observer(name, callback, context, suspensionBehavior);
}

std::uint32_t notifyRegisterCheck(const char* name, int* token) {
  return notify_register_check(name, token);
}
std::uint32_t notifyGetState(int token, std::uint64_t* state) {
  return notify_get_state(token, state);
}
std::uint32_t notifyCancel(int token) { return notify_cancel(token); }

void loadWeatherFrameworks() {}

std::string devicePath(std::string_view path) {
  const char* root = std::getenv("NIMBREL_DEVICE_ROOT");
  std::string mapped = root ? root : "";
  mapped += path;
  return mapped;
}

}  // namespace nimbrel::objc::seam

#endif
