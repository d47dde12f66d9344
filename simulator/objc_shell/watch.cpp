// What the test shell's own methods did, told by its call observer, as the simulated
// platform's trace says it: originals of replaced methods, backgrounds made and bound, the
// Weather service's requests, and what the add-on logged.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "objc/runtime/main_thread.h"
#include "simulator/objc_shell/describe.h"
#include "simulator/objc_shell/process_state.h"
#include "simulator/objc_shell/runtime_access.h"

// GNUstep's hook for where NSLog's lines go.
extern "C" void (*_NSLog_printf_handler)(id message);

namespace nimsim::objcshell {
namespace {

using nimbrel::objc::CGRect;
using nimbrel::objc::CLLocationCoordinate2D;

std::string describeFrame(const CGRect& r) {
  char text[96];
  std::snprintf(text, sizeof text, "(%g, %g, %g, %g)", r.origin.x, r.origin.y, r.size.width,
                r.size.height);
  return text;
}

std::string describeLocation(id location) {
  if (!location) return "no location";
  auto at = msg<CLLocationCoordinate2D>(location, "coordinate");
  char text[64];
  std::snprintf(text, sizeof text, "(%g, %g)", at.latitude, at.longitude);
  return text;
}

std::string describeWeather(id city) {
  return describeCity(city) + " (condition " + std::to_string(msg<long>(city, "conditionCode")) +
         (msg<BOOL>(city, "isDay") ? ", day)" : ", night)");
}

std::string describeReport(id city) {
  std::string out = "condition " + std::to_string(msg<long>(city, "conditionCode")) +
                    (msg<BOOL>(city, "isDay") ? " day" : " night");
  if (id temperature = msg(city, "temperature")) {
    char reading[32];
    std::snprintf(reading, sizeof reading, " %g°C", msg<double>(temperature, "celsius"));
    out += reading;
  }
  return out;
}

std::string wallpaperName(id wallpaper) {
  const auto& all = state().layout.wallpapers;
  for (std::size_t i = 0; i < all.size(); ++i)
    if (all[i] == wallpaper) return variantName(i) + " wallpaper";
  return "wallpaper";
}

// A failed update is told in two calls: where, then why.
std::string failedUpdate;

void observed(const char* selector, id receiver, long integer, BOOL flag, id object) {
  ProcessState& s = state();
  const std::string name = selector;
  if (name == "dealloc") {
    // A newcomer at the same address is another object, with an id of its own.
    s.ids.erase(receiver);
    s.backgrounds.erase(receiver);
  } else if (name == "initWithFrame:") {
    s.backgrounds[receiver] = {++s.backgroundsMade, 0};
    s.add("view", "made " + className(receiver) + " " + std::to_string(s.backgroundsMade) +
                      " with frame " + describeFrame(msg<CGRect>(receiver, "frame")));
  } else if (name == "dateView") {
    if (flag) s.add("original", "-[SBLockScreenDateViewController dateView] built the date view");
  } else if (name == "setCity:animate:") {
    BackgroundSeen& seen = s.backgrounds[receiver];
    ++seen.binds;
    s.add("bind", "background " + std::to_string(seen.number) +
                      (object ? " bound to " + describeWeather(object) : " unbound") +
                      (flag ? ", animated" : ", not animated"));
  } else if (name == "redraw") {
    s.add("bind", "background " + std::to_string(s.backgrounds[receiver].number) + " redrawn for " +
                      describeWeather(object));
  } else if (name == "didMoveToWindow") {
    s.add("view", "background " + std::to_string(s.backgrounds[receiver].number) +
                      " left its window, " +
                      (object ? "bound to " + describeWeather(object) : std::string("unbound")));
  } else if (name == "raise contentView") {
    s.add("original", "-[SBFStaticWallpaperView contentView] of the " + wallpaperName(receiver) +
                          " raised NSInternalInconsistencyException");
  } else if (name == "raise setCity:animate:") {
    s.add("bind", "background " + std::to_string(s.backgrounds[receiver].number) +
                      " raised NSInternalInconsistencyException at setCity:animate:");
  } else if (name == "updateWeatherForLocation:city:withCompletionHandler:") {
    s.add("weather", "requested for " + describeCity(object) + " at " + describeLocation(receiver));
  } else if (name == "completeWeatherUpdate") {
    // Told on the thread the framework calls the completion handler on.
    const std::string where =
        std::string(nimbrel_objc_is_main_thread() ? "" : " on a second thread") + " for " +
        describeCity(object) + " at " + describeLocation(receiver);
    if (flag)
      failedUpdate = "failed" + where;
    else
      s.add("weather", "completed" + where + ": " + describeReport(object));
  } else if (name == "weatherUpdateError") {
    s.add("weather", failedUpdate + ": " +
                         text(msg(object, "localizedDescription")).value_or("unknown error"));
  } else if (name == "setGradientLayer:") {
    s.add("view", "background " + std::to_string(s.backgrounds[receiver].number) +
                      " gradient layer " + (flag ? "on" : "off"));
  } else if (name == "layoutSubviews") {
    if (className(receiver) == "_SBWallpaperWindow")
      s.add("original", "-[_SBWallpaperWindow layoutSubviews] laid out the window");
    else if (className(receiver) == "SBFStaticWallpaperView")
      s.add("original",
            "-[SBFStaticWallpaperView layoutSubviews] laid out the " + wallpaperName(receiver));
  } else if (name == "show") {
    s.add("alert", "shown " + describeAlert(receiver));
  } else if (name == "_allowsParallax") {
    s.add("original", "+[SBFStaticWallpaperView _allowsParallax] answered YES");
  } else if (name == "_finishUIUnlockFromSource:withOptions:") {
    s.add("original",
          "-[SBLockScreenManager _finishUIUnlockFromSource:withOptions:] finished the unlock "
          "from source " +
              std::to_string(integer) + (object ? " with options" : ""));
  }
}

std::string suspensionBehavior(int behavior) {
  switch (behavior) {
    case 1:
      return "drop";
    case 2:
      return "coalesce";
    case 3:
      return "hold";
    case 4:
      return "deliverImmediately";
  }
  return "unknown";
}

void notified(const char* call, const char* name, int token, std::uint64_t value,
              std::uint32_t status) {
  const std::string what = call, about = name ? name : "";
  const std::string failure = " failed: status " + std::to_string(status);
  if (what == "observe")
    state().add("observer", "registered " + about + " (" + suspensionBehavior(token) + ")");
  else if (what == "register")
    state().add("notify", status ? "register " + about + failure
                                 : "registered " + about + " as token " + std::to_string(token));
  else if (what == "get-state")
    state().add("notify", status ? "state of " + about + failure
                                 : "state of " + about + " read: " + std::to_string(value));
  else
    state().add("notify", "cancelled token " + std::to_string(token) + " for " + about);
}

// What the add-on writes with NSLog is a trace line, as the simulated platform records it;
// GNUstep puts the date, the process and its thread before it. Anything else logged goes to
// standard error, as without a handler.
// GNUstep's reason for an unrecognized selector ends with the receiver's address, as the
// phone's does; the trace is the same at every run, and the simulation's reason has none.
void dropReceiverAddress(std::string& line) {
  constexpr std::string_view kSentTo = "unrecognized selector sent to ";
  const std::size_t sentTo = line.find(kSentTo);
  if (sentTo == std::string::npos) return;
  const std::size_t address = line.find(" 0x", sentTo + kSentTo.size());
  if (address == std::string::npos) return;
  const std::size_t end = line.find_first_not_of("0123456789abcdefABCDEF", address + 3);
  line.erase(address, (end == std::string::npos ? line.size() : end) - address);
}

void logged(id message) {
  const std::string line = text(message).value_or("");
  const std::size_t start = line.find("] Nimbrel: ");
  if (start == std::string::npos) {
    std::fputs(line.c_str(), stderr);
    return;
  }
  std::string written = line.substr(start + 2);
  if (written.ends_with('\n')) written.pop_back();
  dropReceiverAddress(written);
  state().add("log", written);
}

}  // namespace

void watchCalls() {
  TSSetCallObserver(&observed);
  TSSetNotifyObserver(&notified);
  _NSLog_printf_handler = &logged;
}

}  // namespace nimsim::objcshell
