// The trace's lines, each written here once from its fact.
#include "facts/trace.h"

#include <cstdio>

namespace facts {
namespace {

std::string formatted(const char* format, double a, double b) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

std::string describe(const Frame& f) {
  return formatted("(%g, %g, ", f.x, f.y) + formatted("%g, %g)", f.width, f.height);
}

std::string threadText(bool onSecondThread) { return onSecondThread ? " on a second thread" : ""; }

std::string describe(const std::optional<Coordinate>& at) {
  return at ? formatted("(%g, %g)", at->latitude, at->longitude) : "no location";
}

std::string describe(const WeatherReport& report) {
  std::string text =
      "condition " + std::to_string(report.condition) + (report.isDay ? " day" : " night");
  if (report.celsius) {
    char reading[32];
    std::snprintf(reading, sizeof reading, " %g°C", *report.celsius);
    text += reading;
  }
  return text;
}

std::string wallpaper(const std::string& variant) {
  return variant.empty() ? "wallpaper" : variant + " wallpaper";
}

std::string background(int number) { return "background " + std::to_string(number); }

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string keys(std::size_t count) { return std::to_string(count) + " keys"; }

std::string hookVerb(HookResult result) {
  switch (result) {
    case HookResult::replaced:
      return "replaced ";
    case HookResult::overrodeInherited:
      return "overrode inherited ";
    case HookResult::noMethod:
      return "no method ";
    case HookResult::added:
      return "added ";
    case HookResult::keptExisting:
      return "kept existing ";
  }
  return "? ";
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

}  // namespace

std::string describe(const Weather& w) {
  return w.city + " (condition " + std::to_string(w.condition) + (w.isDay ? ", day)" : ", night)");
}

std::string cityName(bool exists, const std::optional<std::string>& name) {
  if (!exists) return "no city";
  return name && !name->empty() ? *name : "unnamed city";
}

std::string describe(const Method& m) {
  if (m.className.empty()) return "nil " + m.selector;
  return (m.classMethod ? "+[" : "-[") + m.className + " " + m.selector + "]";
}

TraceLine traceLine(const MethodHooked& f) {
  return {"hook", hookVerb(f.result) + describe(f.method)};
}

TraceLine traceLine(const HookFoundNoClass& f) {
  return {"hook", (f.adding ? "no class to add " : "no class to hook ") + f.selector};
}

TraceLine traceLine(const AddonLoad& f) {
  switch (f.step) {
    case LoadStep::loading:
      return {"loader", "loading " + f.name};
    case LoadStep::noFilter:
      return {"loader", "skipped " + f.name + " (no filter)"};
    case LoadStep::filterDoesNotMatch:
      return {"loader", "skipped " + f.name + " (filter does not match)"};
    case LoadStep::refused:
      break;
  }
  return {"loader", "refused " + f.name + ": " + f.reason};
}

TraceLine traceLine(const ShellAsks& f) {
  switch (f.call) {
    case ShellCall::dateView:
      return {"shell", "asks -[SBLockScreenDateViewController dateView]"};
    case ShellCall::windowLayout:
      return {"shell", "lays out -[_SBWallpaperWindow layoutSubviews]"};
    case ShellCall::allowsParallax:
      return {"shell", "asks +[SBFStaticWallpaperView _allowsParallax]"};
    case ShellCall::rebuildDateView:
      break;
  }
  return {"shell", "rebuilds the lock screen: the date view is removed"};
}

TraceLine traceLine(const ShellAsksContentView& f) {
  return {"shell", "asks -[SBFStaticWallpaperView contentView] of the " + wallpaper(f.variant)};
}

TraceLine traceLine(const ShellLaysOutWallpaper& f) {
  return {"shell",
          "lays out -[SBFStaticWallpaperView layoutSubviews] of the " + wallpaper(f.variant)};
}

TraceLine traceLine(const ShellFinishesUnlock& f) {
  return {"shell",
          "finishes -[SBLockScreenManager _finishUIUnlockFromSource:" + std::to_string(f.source) +
              " withOptions:" + (f.withOptions ? "options" : "none") + "]"};
}

TraceLine traceLine(const ShellRotates& f) {
  return {"shell", f.landscape ? "rotates to landscape" : "rotates to portrait"};
}

TraceLine traceLine(const DateViewBuilt&) {
  return {"original", "-[SBLockScreenDateViewController dateView] built the date view"};
}

TraceLine traceLine(const ContentViewRaised& f) {
  return {"original", "-[SBFStaticWallpaperView contentView] of the " + wallpaper(f.variant) +
                          " raised NSInternalInconsistencyException"};
}

TraceLine traceLine(const WallpaperLaidOut& f) {
  return {"original",
          "-[SBFStaticWallpaperView layoutSubviews] laid out the " + wallpaper(f.variant)};
}

TraceLine traceLine(const WindowLaidOut&) {
  return {"original", "-[_SBWallpaperWindow layoutSubviews] laid out the window"};
}

TraceLine traceLine(const ParallaxAnswered& f) {
  return {"original", std::string("+[SBFStaticWallpaperView _allowsParallax] answered ") +
                          (f.allows ? "YES" : "NO")};
}

TraceLine traceLine(const UnlockFinished& f) {
  return {"original",
          "-[SBLockScreenManager _finishUIUnlockFromSource:withOptions:] finished the unlock "
          "from source " +
              std::to_string(f.source) + (f.withOptions ? " with options" : "")};
}

TraceLine traceLine(const BackgroundMade& f) {
  return {"view", "made " + f.className + " " + std::to_string(f.number) + " with frame " +
                      describe(f.frame)};
}

TraceLine traceLine(const BackgroundBound& f) {
  return {"bind", background(f.number) +
                      (f.weather ? " bound to " + describe(*f.weather) : std::string(" unbound")) +
                      (f.animated ? ", animated" : ", not animated")};
}

TraceLine traceLine(const BackgroundRedrawn& f) {
  return {"bind", background(f.number) + " redrawn for " + describe(f.weather)};
}

TraceLine traceLine(const BackgroundRaisedAtBind& f) {
  return {"bind",
          background(f.number) + " raised NSInternalInconsistencyException at setCity:animate:"};
}

TraceLine traceLine(const BackgroundLeftWindow& f) {
  return {"view", background(f.number) + " left its window, " +
                      (f.weather ? "bound to " + describe(*f.weather) : std::string("unbound"))};
}

TraceLine traceLine(const GradientLayerSet& f) {
  return {"view", background(f.number) + " gradient layer " + (f.on ? "on" : "off")};
}

TraceLine traceLine(const WeatherRequested& f) {
  return {"weather", "requested for " + f.city + " at " + describe(f.location)};
}

TraceLine traceLine(const WeatherCompleted& f) {
  return {"weather", "completed" + threadText(f.onSecondThread) + " for " + f.city + " at " +
                         describe(f.location) + ": " + describe(f.report)};
}

TraceLine traceLine(const WeatherFailed& f) {
  return {"weather", "failed" + threadText(f.onSecondThread) + " for " + f.city + " at " +
                         describe(f.location) + ": " + f.error};
}

TraceLine traceLine(const ObserverRegistered& f) {
  return {"observer",
          "registered " + f.name + " (" + suspensionBehavior(f.suspensionBehavior) + ")"};
}

TraceLine traceLine(const NotificationPosted& f) {
  return {"notification", "posted " + f.name + (f.coalesced ? " (coalesced)" : "")};
}

TraceLine traceLine(const NotificationDelivered& f) {
  return {"notification",
          "delivered " + f.name + " to " + std::to_string(f.observers) + " observers"};
}

TraceLine traceLine(const NotifyDone& f) {
  const bool registering = f.call == NotifyCall::registerName;
  if (f.status)
    return {"notify", (registering ? "register " : "state of ") + f.name + " failed: status " +
                          std::to_string(f.status)};
  return {"notify", registering ? "registered " + f.name + " as token " + std::to_string(f.value)
                                : "state of " + f.name + " read: " + std::to_string(f.value)};
}

TraceLine traceLine(const NotifyCancelled& f) {
  return {"notify", "cancelled token " + std::to_string(f.token) + " for " + f.name};
}

TraceLine traceLine(const AlertShown& f) {
  std::string buttons;
  for (const auto& button : f.buttons) buttons += (buttons.empty() ? "" : ", ") + button;
  return {"alert", "shown " + quoted(f.title) + ": " + quoted(f.message) + " buttons [" + buttons +
                       "] tag " + std::to_string(f.tag) + " delegate " +
                       f.delegateClass.value_or("nil")};
}

TraceLine traceLine(const AlertDismissed& f) {
  return {"alert", "dismissed " + quoted(f.title) + " with button " + std::to_string(f.button) +
                       (f.buttonTitle ? " (" + *f.buttonTitle + ")" : "")};
}

TraceLine traceLine(const FileRefused& f) { return {"file", "refused " + f.path}; }

TraceLine traceLine(const FileRead& f) {
  return {"file", "read " + f.path + (f.keys ? " (" + keys(*f.keys) + ")" : ": none")};
}

TraceLine traceLine(const FileWritten& f) {
  return {"file", "wrote " + f.path + " (" + (f.keys == 1 ? "1 key" : keys(f.keys)) + ")"};
}

TraceLine traceLine(const FileWriteFailed& f) {
  return {"file", "failed to write " + f.path + (f.fault.empty() ? "" : ": " + f.fault)};
}

TraceLine traceLine(const PreferencesRead& f) {
  const bool keyList = f.call == PreferencesCall::keyList;
  if (!f.keys) return {"preferences", (keyList ? "no key list for " : "no values for ") + f.domain};
  return {"preferences",
          (keyList ? "key list of " : "values of ") + f.domain + " (" + keys(*f.keys) + ")"};
}

TraceLine traceLine(const TimerScheduled& f) {
  char interval[64];
  std::snprintf(interval, sizeof interval, "%.10g", f.interval);
  return {"timer", "scheduled " + f.timer + (f.repeats ? " every " : " once in ") + interval + "s"};
}

TraceLine traceLine(const TimerFired& f) { return {"timer", "fired " + f.timer}; }

TraceLine traceLine(const TimerInvalidated& f) { return {"timer", "invalidated " + f.timer}; }

TraceLine traceLine(const Logged& f) { return {"log", f.line}; }

}  // namespace facts
