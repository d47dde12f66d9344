// The scenario's time on the real runtime: NSDate answers the virtual clock, NSTimers the
// add-on schedules stay real objects but are fired by the shell process when their date
// comes, and the add-on's random draws come from the scenario's seed.
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "objc/runtime/foundation.h"
#include "simulator/objc_shell/process_state.h"
#include "simulator/objc_shell/runtime_access.h"

namespace nimsim::objcshell {
namespace {

using nimbrel::objc::asImp;

// NSDate's reference date, 2001-01-01, in seconds since 1970.
constexpr double kReferenceDate = 978307200.0;
constexpr double kMinimumInterval = 0.0001;

IMP originalInvalidate = nullptr;

double timeIntervalSinceReferenceDate(id, SEL) { return state().now - kReferenceDate; }

id date(id self, SEL) {
  id made = msg(msg(self, "alloc"),
                "initWithTimeIntervalSinceReferenceDate:", state().now - kReferenceDate);
  return msg(made, "autorelease");
}

std::string timerDescription(id target, SEL selector) {
  if (!target) return facts::describe(facts::Method{"", sel_getName(selector)});
  return facts::describe(facts::Method{object_getClassName(target), sel_getName(selector),
                                       class_isMetaClass(object_getClass(target)) != 0});
}

id scheduledTimer(id self, SEL, double interval, id target, SEL selector, id userInfo,
                  BOOL repeats) {
  if (std::isnan(interval))
    throw std::invalid_argument("NaN was used as an interval for an NSTimer: the process halts");
  // The Weather service's answer is the service's own event, which may come at once; a
  // timer of the add-on's waits at least the platform's minimum.
  const bool service = className(target) == "TSWeatherRequest";
  const double effective = service         ? std::max(interval, 0.0)
                           : interval <= 0 ? kMinimumInterval
                                           : interval;
  id timer = msg(self, "timerWithTimeInterval:target:selector:userInfo:repeats:", effective, target,
                 selector, userInfo, repeats);
  VirtualTimer held{msg(timer, "retain"),
                    target,
                    selector,
                    effective,
                    state().now + effective,
                    repeats != 0,
                    timerDescription(target, selector),
                    !service};
  if (held.traced) state().add(facts::TimerScheduled{held.description, repeats != 0, effective});
  state().timers.push_back(held);
  return timer;
}

void invalidate(id self, SEL cmd) {
  auto& timers = state().timers;
  auto found = std::find_if(timers.begin(), timers.end(),
                            [self](const VirtualTimer& t) { return t.timer == self; });
  const bool wasValid = msg<BOOL>(self, "isValid");
  nimbrel::objc::impAs<void>(originalInvalidate)(self, cmd);
  if (found == timers.end()) return;
  if (wasValid && found->traced) state().add(facts::TimerInvalidated{found->description});
  id timer = found->timer;
  timers.erase(found);
  msg<void>(timer, "release");
}

// The run loop's callout, not -[NSTimer fire], which catches and only logs what the target
// raises: an exception escaping the target goes on into the shell process, as nothing above a
// timer catches it on the phone. The timer and its target are kept for the call, which may
// invalidate the timer; a one-shot timer is invalidated once it has fired.
void fire(const VirtualTimer& fired) {
  const nimbrel::objc::Owned timer(msg(fired.timer, "retain"));
  const nimbrel::objc::Owned target(msg(fired.target, "retain"));
  nimbrel::objc::sendGuarded<void>(target.get(), fired.selector, timer.get());
  if (!fired.repeats) msg<void>(timer.get(), "invalidate");
}

void replaceClassMethod(const char* cls, const char* selector, IMP imp) {
  replaceMethod(objc_getMetaClass(cls), selector, imp);
}

}  // namespace

void installVirtualTime() {
  replaceClassMethod("NSDate", "timeIntervalSinceReferenceDate",
                     asImp(&timeIntervalSinceReferenceDate));
  replaceClassMethod("NSDate", "date", asImp(&date));
  replaceClassMethod("NSTimer", "scheduledTimerWithTimeInterval:target:selector:userInfo:repeats:",
                     asImp(&scheduledTimer));
  originalInvalidate = replaceMethod(objc_getClass("NSTimer"), "invalidate", asImp(&invalidate));
}

void advanceTo(double until) {
  ProcessState& s = state();
  for (;;) {
    auto due = std::min_element(
        s.timers.begin(), s.timers.end(),
        [](const VirtualTimer& a, const VirtualTimer& b) { return a.next < b.next; });
    if (due == s.timers.end() || due->next > until) break;
    s.now = std::max(s.now, due->next);
    const VirtualTimer fired = *due;
    if (fired.traced) s.add(facts::TimerFired{fired.description});
    fire(fired);
    // As the run loop does, a repeating timer's next date is set once its callout is over, one
    // interval after the date it fired for; a target that raised leaves it as it was.
    auto still = std::find_if(s.timers.begin(), s.timers.end(),
                              [&](const VirtualTimer& t) { return t.timer == fired.timer; });
    if (still != s.timers.end() && fired.repeats) still->next = fired.next + fired.interval;
  }
  s.now = std::max(s.now, until);
}

std::vector<nlohmann::json> timersJson(double start) {
  std::vector<nlohmann::json> out;
  for (const VirtualTimer& t : state().timers) {
    if (!t.traced) continue;
    const auto space = t.description.find(' ');
    std::string selector = t.description.substr(space + 1);
    if (!selector.empty() && selector.back() == ']') selector.pop_back();
    out.push_back(
        facts::scheduledTimerJson({state().idOf(t.timer), t.description, selector, t.interval,
                                   t.repeats, msg<BOOL>(t.timer, "isValid") != 0, t.next - start}));
  }
  return out;
}

// The add-on's random numbers: scripted values first, then the seed's, drawn as the simulated
// platform draws them so that a seed gives the same numbers on both.
std::uint32_t drawForAddon(std::uint32_t upperBound) {
  try {
    return state().random.uniform(upperBound);
  } catch (const std::invalid_argument& refused) {
    // Crossing a trampoline on its way out, the exception becomes an NSException: the request
    // is answered as bad input all the same.
    state().refusedDraw = refused.what();
    throw;
  }
}

}  // namespace nimsim::objcshell

// The process's home folder is the scenario's ("/var/mobile" unless it says otherwise), the
// add-on's sign that it runs as the mobile user; before boot, the machine's own.
extern "C" id NSHomeDirectory(void) {
  const std::string& home = nimsim::objcshell::state().home;
  if (home.empty()) {
    using Original = id (*)();
    static auto original = reinterpret_cast<Original>(dlsym(RTLD_NEXT, "NSHomeDirectory"));
    return original ? original() : nullptr;
  }
  return nimsim::objcshell::makeString(home);
}
