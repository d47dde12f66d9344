#include "events/lock_events.h"

#include <cstring>

#include "state/random_weather.h"
#include "state/shared_state.h"
#include "state/view_terms.h"

namespace nimbrel {

namespace {

// The display's current state, read afresh each time. None when it cannot be read: a state
// that was not read must not count as display off.
std::optional<std::uint64_t> displayState() {
  host::NotifyState& notify = host::platform().notifyState();
  int token = host::notify::tokenInvalid;
  if (notify.registerCheck(kDisplayStatusNotification, &token) != host::notify::ok) return {};
  std::uint64_t value = 0;
  const bool read = notify.getState(token, &value) == host::notify::ok;
  notify.cancel(token);
  if (!read) return {};
  return value;
}

}  // namespace

void tearDownHomeScreenViews() {
  SharedState& s = state();
  if (s.homeScreenViews) {
    for (const auto& background : *s.homeScreenViews) {
      detach(background);
      unbind(background);
    }
  }
  s.homeScreenViews.reset();
  s.weatherView.reset();
}

void onLockComplete(host::NotificationCenter*, void*, const char* name, const void*,
                    const host::Dictionary*) {
  if (!name || std::strcmp(name, kLockCompleteNotification) != 0) return;
  SharedState& s = state();
  s.screenLocked = true;
  tearDownHomeScreenViews();
  if (s.settings.randomWeather && s.settings.randomWeatherUnLock) {
    pickRandomWeather();
    bind(s.weatherBackground);
  }
}

void onDisplayStatus(host::NotificationCenter*, void*, const char*, const void*,
                     const host::Dictionary*) {
  const std::optional<std::uint64_t> display = displayState();
  if (!display || *display != 0) return;
  SharedState& s = state();
  detach(s.weatherBackground);
  unbind(s.weatherBackground);
  if (s.settings.randomWeather && s.randomTimer) stopRandomTimer();
}

void finishUIUnlock(const host::Id& self, host::Selector selector, long source,
                    const host::Id& options) {
  SharedState& s = state();
  detach(s.weatherBackground);
  if (s.settings.randomWeather && s.settings.randomWeatherUnLock) {
    pickRandomWeather();
    bindHomeScreenViews();
  }
  s.screenLocked = false;
  if (s.previous.finishUIUnlock) s.previous.finishUIUnlock(self, selector, source, options);
}

}  // namespace nimbrel
