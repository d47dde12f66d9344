// Reads the user's settings from the preferences domain, or from its fallback file.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

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

// A preference key as loadSettings reads it: the field it fills, whose type is the key's, and
// the field's value when the key is absent.
struct SettingDescription {
  std::string_view key;
  std::variant<bool Settings::*, std::int32_t Settings::*, double Settings::*> field;
  std::variant<bool, std::int32_t, double> fallback;
};

// Every key loadSettings reads, in its reading order: what the settings pane must offer.
std::span<const SettingDescription> settingDescriptions();

}  // namespace nimbrel
