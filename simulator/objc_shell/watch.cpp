// What the test shell's own methods did, told by its call observer, as the simulated
// platform's trace says it: originals of replaced methods, backgrounds made and bound, the
// Weather service's requests, and what the add-on logged.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

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

facts::Frame frameOf(id view) {
  const auto r = msg<CGRect>(view, "frame");
  return {r.origin.x, r.origin.y, r.size.width, r.size.height};
}

std::optional<facts::Coordinate> coordinateOf(id location) {
  if (!location) return std::nullopt;
  const auto at = msg<CLLocationCoordinate2D>(location, "coordinate");
  return facts::Coordinate{at.latitude, at.longitude};
}

facts::Weather weatherOf(id city) {
  return {describeCity(city), msg<long>(city, "conditionCode"), msg<BOOL>(city, "isDay") != 0};
}

std::optional<facts::Weather> boundWeather(id city) {
  return city ? std::optional(weatherOf(city)) : std::nullopt;
}

facts::WeatherReport reportOf(id city) {
  id temperature = msg(city, "temperature");
  return {msg<long>(city, "conditionCode"), msg<BOOL>(city, "isDay") != 0,
          temperature ? std::optional(msg<double>(temperature, "celsius")) : std::nullopt};
}

std::string variantOf(id wallpaper) {
  const auto& all = state().layout.wallpapers;
  for (std::size_t i = 0; i < all.size(); ++i)
    if (all[i] == wallpaper) return variantName(i);
  return "";
}

facts::AlertShown shownFact(id alert) {
  id delegate = msg(alert, "delegate");
  return {text(msg(alert, "title")).value_or(""), text(msg(alert, "message")).value_or(""),
          alertButtons(alert), msg<long>(alert, "tag"),
          delegate ? std::optional(className(delegate)) : std::nullopt};
}

facts::AlertDismissed dismissedFact(id alert, long button) {
  return {text(msg(alert, "title")).value_or(""), button,
          text(msg(alert, "buttonTitleAtIndex:", button))};
}

// A failed update is told in two calls: where, then why.
std::optional<facts::WeatherFailed> failedUpdate;

void observed(const char* selector, id receiver, long integer, BOOL flag, id object) {
  ProcessState& s = state();
  const std::string name = selector;
  auto number = [&] { return s.backgrounds[receiver].number; };
  if (name == "dealloc") {
    // A newcomer at the same address is another object, with an id of its own.
    s.ids.erase(receiver);
    s.backgrounds.erase(receiver);
  } else if (name == "initWithFrame:") {
    s.backgrounds[receiver] = {++s.backgroundsMade, 0};
    s.add(facts::BackgroundMade{className(receiver), s.backgroundsMade, frameOf(receiver)});
  } else if (name == "dateView") {
    if (flag) s.add(facts::DateViewBuilt{});
  } else if (name == "setCity:animate:") {
    ++s.backgrounds[receiver].binds;
    s.add(facts::BackgroundBound{number(), boundWeather(object), flag != 0});
  } else if (name == "redraw") {
    s.add(facts::BackgroundRedrawn{number(), weatherOf(object)});
  } else if (name == "didMoveToWindow") {
    s.add(facts::BackgroundLeftWindow{number(), boundWeather(object)});
  } else if (name == "raise contentView") {
    s.add(facts::ContentViewRaised{variantOf(receiver)});
  } else if (name == "raise setCity:animate:") {
    s.add(facts::BackgroundRaisedAtBind{number()});
  } else if (name == "updateWeatherForLocation:city:withCompletionHandler:") {
    s.add(facts::WeatherRequested{describeCity(object), coordinateOf(receiver)});
  } else if (name == "completeWeatherUpdate") {
    // Told on the thread the framework calls the completion handler on.
    const bool second = !nimbrel_objc_is_main_thread();
    if (flag)
      failedUpdate = facts::WeatherFailed{describeCity(object), coordinateOf(receiver), {}, second};
    else
      s.add(facts::WeatherCompleted{describeCity(object), coordinateOf(receiver), reportOf(object),
                                    second});
  } else if (name == "weatherUpdateError" && failedUpdate) {
    failedUpdate->error = text(msg(object, "localizedDescription")).value_or("unknown error");
    s.add(*std::exchange(failedUpdate, std::nullopt));
  } else if (name == "setGradientLayer:") {
    s.add(facts::GradientLayerSet{number(), flag != 0});
  } else if (name == "layoutSubviews") {
    if (className(receiver) == "_SBWallpaperWindow")
      s.add(facts::WindowLaidOut{});
    else if (className(receiver) == "SBFStaticWallpaperView")
      s.add(facts::WallpaperLaidOut{variantOf(receiver)});
  } else if (name == "show") {
    s.add(shownFact(receiver));
  } else if (name == "dismissWithClickedButtonIndex:animated:") {
    s.add(dismissedFact(receiver, integer));
  } else if (name == "_allowsParallax") {
    s.add(facts::ParallaxAnswered{flag != 0});
  } else if (name == "_finishUIUnlockFromSource:withOptions:") {
    s.add(facts::UnlockFinished{integer, object != nullptr});
  }
}

void notified(const char* call, const char* name, int token, std::uint64_t value,
              std::uint32_t status) {
  const std::string what = call, about = name ? name : "";
  ProcessState& s = state();
  if (what == "observe")
    s.add(facts::ObserverRegistered{about, token});
  else if (what == "post")
    s.add(facts::NotificationPosted{about});
  else if (what == "deliver")
    s.add(facts::NotificationDelivered{about, static_cast<std::size_t>(token)});
  else if (what == "register")
    s.add(facts::NotifyDone{facts::NotifyCall::registerName, about,
                            static_cast<std::uint64_t>(token), status});
  else if (what == "get-state")
    s.add(facts::NotifyDone{facts::NotifyCall::getState, about, value, status});
  else
    s.add(facts::NotifyCancelled{token, about});
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
  state().add(facts::Logged{written});
}

}  // namespace

void watchCalls() {
  TSSetCallObserver(&observed);
  TSSetNotifyObserver(&notified);
  _NSLog_printf_handler = &logged;
}

}  // namespace nimsim::objcshell
