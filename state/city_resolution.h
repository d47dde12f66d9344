// Which city the backgrounds show: the Weather app's local city, its first saved city, or the
// last local city's cached coordinates; and the one warning a process may show when none is
// found.
#pragma once

#include <memory>
#include <string>

#include "host/platform.h"

namespace nimbrel {

inline constexpr const char* kNoCitiesTitle = "No weather cities";
inline constexpr const char* kNoCitiesMessage =
    "You disabled local city but have no cities added in the weather app. Please enable local "
    "city in the settings or add a city in the weather app.";
inline constexpr const char* kNoLocalCityTitle = "No local city available";
inline constexpr const char* kNoLocalCityMessage =
    "This is common after a respring. Open the weather app or widget and a background will start "
    "to show. This tweak will cache the local city's location after that.\n"
    "This warning can be disabled in the settings.\n"
    "Other weather cities are not affected by resprings.";
inline constexpr long kAlertTag = 8472;

struct SavedCityLookup {
  bool listEmpty = true;
  std::shared_ptr<host::City> city;  // element 0 converted; may be none
};

// The Weather app's saved-city list: whether it is empty (a missing list is), and its first
// entry as a City.
SavedCityLookup firstSavedCity();

// Shows a one-button warning unless this process has shown one already.
void showAlertOnce(const std::string& title, const std::string& message, const host::Id& delegate);

// Fills the shared city when it is none. False when there is none to show: the caller's request
// ends. The lock screen alone falls back on the cached coordinates and may warn that the local
// city is missing; receiver is the alerts' delegate.
bool resolveCity(bool forLockScreen, const host::Id& receiver);

// The Weather app's shared preferences object, or none when the system lacks the class.
std::shared_ptr<host::WeatherPreferences> weatherPreferences();

// A new city with only a location.
std::shared_ptr<host::City> placeholderCity(double latitude, double longitude);

}  // namespace nimbrel
