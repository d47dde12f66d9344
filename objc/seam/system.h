// The phone's services that have no Linux counterpart. The phone side calls them
// (apple.cpp); on Linux the same contracts are kept by stand-ins (linux.cpp).
#pragma once

#include <objc/objc.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace nimbrel::objc::seam {

// CFPreferencesCopyKeyList and CFPreferencesCopyMultiple for the current user and any host:
// an owned NSArray or NSDictionary, or nil.
id copyPreferencesKeyList(id domain);
id copyPreferencesMultiple(id keys, id domain);

// CFNotificationCenterAddObserver on the Darwin notify center, with no object.
using DarwinCallback = void (*)(void* context, const char* name);
void addDarwinObserver(const char* name, DarwinCallback callback, void* context,
                       int suspensionBehavior);

// notify_register_check, notify_get_state, notify_cancel.
std::uint32_t notifyRegisterCheck(const char* name, int* token);
std::uint32_t notifyGetState(int token, std::uint64_t* state);
std::uint32_t notifyCancel(int token);

// Loads Weather and WeatherUI, whose classes the add-on finds by name, so that its hooks find
// them whether or not the shell has loaded them yet. One that does not load is logged, and the
// rows of its classes are skipped. On Linux the test shell has its classes built in.
void loadWeatherFrameworks();

// Where a platform path is on this machine: itself on the phone.
std::string devicePath(std::string_view path);

}  // namespace nimbrel::objc::seam
