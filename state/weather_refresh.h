// Keeping the shown weather current: asking the Weather framework for an update at most once
// per interval, and what a finished update changes.
#pragma once

#include <memory>

#include "host/platform.h"

namespace nimbrel {

// Whether the temperature header can be shown: the setting is on and the system has the
// header's and the hourly forecast's classes. Asked afresh at each use.
bool headerFeatureAvailable();

// Requests a weather update when the last request lies more than the update interval back.
// True when the lock-screen request must end at once (no saved city to refresh); controller
// is the alert's delegate.
bool refreshWeatherIfDue(const host::Id& controller);

// The updater's completion: the updated city (or, after an error, a copy of the backup) is
// shown everywhere, the backup renewed, the cache file and the header brought up to date.
void onWeatherUpdated(std::shared_ptr<host::City> updatedCity, host::Id error);

}  // namespace nimbrel
