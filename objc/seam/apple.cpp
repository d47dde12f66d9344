// The phone's side of the seam: CoreFoundation preferences, the Darwin notify center and
// notify(3). Compiled only by the phone build.
#if defined(__APPLE__)

#include <CoreFoundation/CoreFoundation.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <notify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "objc/seam/system.h"
#include "plist/limits.h"

extern "C" void NSLog(id format, ...);

namespace nimbrel::objc::seam {

namespace {

struct Observer {
  DarwinCallback callback;
  void* context;
};

// The name is a CFStringRef: the iOS 9.3 SDK has no CFNotificationName, its later alias.
void deliver(CFNotificationCenterRef, void* observer, CFStringRef name, const void*,
             CFDictionaryRef) {
  auto* registration = static_cast<Observer*>(observer);
  char text[256];
  if (!name || !CFStringGetCString(name, text, sizeof text, kCFStringEncodingUTF8)) text[0] = '\0';
  registration->callback(registration->context, text);
}

// cfprefsd reads the domain's file and hands its values over as a property list, which
// CFPreferences decodes in this process, recursing once per nesting level: a domain whose
// file is beyond the limits every reader keeps reads as no keys. No file passes (the values
// may not be written yet).
bool domainFileWithinLimits(id domain) {
  char name[256];
  if (!CFStringGetCString((CFStringRef)domain, name, sizeof name, kCFStringEncodingUTF8))
    return false;
  // Read with the C library: the streams of the phone's C++ library at iOS 9.3 lack entry
  // points a newer libc++ header calls.
  const std::string path = std::string("/var/mobile/Library/Preferences/") + name + ".plist";
  const int file = open(path.c_str(), O_RDONLY);
  if (file < 0) return true;
  struct stat info {};
  bool within = fstat(file, &info) == 0 && info.st_size >= 0 &&
                static_cast<std::uint64_t>(info.st_size) <= nimbrel::plist::maxBytes;
  if (within) {
    std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t got = read(file, bytes.data() + done, bytes.size() - done);
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    within = done == bytes.size() && nimbrel::plist::withinLimits(bytes);
  }
  close(file);
  return within;
}

}  // namespace

// Toll-free bridging: an NSString or NSArray is the CFStringRef or CFArrayRef it points at.
id copyPreferencesKeyList(id domain) {
  if (!domainFileWithinLimits(domain)) return nullptr;
  return (id)CFPreferencesCopyKeyList((CFStringRef)domain, kCFPreferencesCurrentUser,
                                      kCFPreferencesAnyHost);
}

id copyPreferencesMultiple(id keys, id domain) {
  if (!domainFileWithinLimits(domain)) return nullptr;
  return (id)CFPreferencesCopyMultiple((CFArrayRef)keys, (CFStringRef)domain,
                                       kCFPreferencesCurrentUser, kCFPreferencesAnyHost);
}

void addDarwinObserver(const char* name, DarwinCallback callback, void* context,
                       int suspensionBehavior) {
  // Observers are never removed, so their registrations live as long as the process.
  auto* registration = new Observer{callback, context};
  CFStringRef cfName = CFStringCreateWithCString(nullptr, name, kCFStringEncodingUTF8);
  CFNotificationCenterAddObserver(
      CFNotificationCenterGetDarwinNotifyCenter(), registration, deliver, cfName, nullptr,
      static_cast<CFNotificationSuspensionBehavior>(suspensionBehavior));
  CFRelease(cfName);
}

std::uint32_t notifyRegisterCheck(const char* name, int* token) {
  return notify_register_check(name, token);
}
std::uint32_t notifyGetState(int token, std::uint64_t* state) {
  return notify_get_state(token, state);
}
std::uint32_t notifyCancel(int token) { return notify_cancel(token); }

void loadWeatherFrameworks() {
  // Never closed: the hooks and the classes' objects need them as long as the process lasts.
  for (const char* path : {"/System/Library/PrivateFrameworks/Weather.framework/Weather",
                           "/System/Library/PrivateFrameworks/WeatherUI.framework/WeatherUI"}) {
    if (!dlopen(path, RTLD_LAZY)) NSLog((id)CFSTR("Nimbrel: %s did not load: %s"), path, dlerror());
  }
}

std::string devicePath(std::string_view path) { return std::string(path); }

}  // namespace nimbrel::objc::seam

#endif
