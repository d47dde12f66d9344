// Reads the user's settings from the preferences domain, or from its fallback file.
#pragma once

#include "host/services.h"
#include "startup/settings.h"

namespace nimbrel {

inline constexpr const char* kPreferencesDomain = "be.quorvane.nimbrel";
inline constexpr const char* kFallbackSettingsFile =
    "/User/Library/Preferences/be.quorvane.nimbrel.plist";
inline constexpr const char* kSettingsChangedNotification =
    "be.quorvane.nimbrel/preferences.changed";

// Overwrites every field of the settings record. Has the notification-callback shape so the
// settings-changed notification can call it directly; all five arguments are ignored.
void loadSettings(host::NotificationCenter* center, void* observer, const char* name,
                  const void* object, const host::Dictionary* userInfo);

}  // namespace nimbrel
