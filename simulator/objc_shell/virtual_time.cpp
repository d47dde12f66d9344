// The scenario's time on the real runtime: NSDate answers the virtual clock, NSTimers the
// add-on schedules stay real objects but are fired by the shell process when their date
// comes, work handed to the interface thread runs in a turn of the main run loop, and the
// add-on's random draws come from the scenario's seed.
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "objc/runtime/foundation.h"
#include "simulator/objc_shell/process_state.h"
#include "simulator/objc_shell/runtime_access.h"

namespace nimsim::objcshell {
namespace {

using nimbrel::objc::asImp;

// NSDate's reference date, 2001-01-01, in seconds since 1970.
constexpr double kReferenceDate = 978307200.0;

IMP originalInvalidate = nullptr;
IMP originalTimerDealloc = nullptr;

double timeIntervalSinceReferenceDate(id, SEL) { return state().now - kReferenceDate; }

id date(id self, SEL) {
  id made = msg(msg(self, "alloc"),
                "initWithTimeIntervalSinceReferenceDate:", state().now - kReferenceDate);
  return msg(made, "autorelease");
}

// NSTimer keeps its target, selector and settings in instance variables; only the shell
// process reads them, never the add-on.
template <class T>
T timerField(id timer, const char* name) {
  Ivar ivar = class_getInstanceVariable(object_getClass(timer), name);
  if (!ivar) throw std::logic_error(std::string("this NSTimer has no instance variable ") + name);
  T value;
  std::memcpy(&value, reinterpret_cast<const char*>(timer) + ivar_getOffset(ivar), sizeof value);
  return value;
}

bool repeats(id timer) { return timerField<BOOL>(timer, "_repeats") != 0; }
// What the timer was made with after NSTimer's own floor, whether or not it repeats.
double madeInterval(id timer) { return timerField<double>(timer, "_interval"); }

double fireDate(id timer) {
  return msg<double>(msg(timer, "fireDate"), "timeIntervalSinceReferenceDate") + kReferenceDate;
}

void setFireDate(id timer, double secondsSince1970) {
  msg<void>(timer, "setFireDate:",
            msg(classNamed("NSDate"), "dateWithTimeIntervalSince1970:", secondsSince1970));
}

// "-[Target selector]", as the timer holds them; "nil selector" without a target.
std::string timerDescription(id timer) {
  const id target = timerField<id>(timer, "_target");
  const SEL selector = timerField<SEL>(timer, "_selector");
  if (!target) return facts::describe(facts::Method{"", sel_getName(selector)});
  return facts::describe(facts::Method{object_getClassName(target), sel_getName(selector),
                                       class_isMetaClass(object_getClass(target)) != 0});
}

id scheduledTimer(id self, SEL, double interval, id target, SEL selector, id userInfo,
                  BOOL repeats) {
  if (std::isnan(interval))
    throw std::invalid_argument("NaN was used as an interval for an NSTimer: the process halts");
  id timer = msg(self, "timerWithTimeInterval:target:selector:userInfo:repeats:", interval, target,
                 selector, userInfo, repeats);
  ProcessState& s = state();
  // The Weather service's answer is the service's own event, which may come at once; a
  // timer of the add-on's waits what NSTimer made of its interval.
  const bool service = className(target) == "TSWeatherRequest";
  setFireDate(timer, s.now + (service ? std::max(interval, 0.0) : madeInterval(timer)));
  const VirtualTimer held{msg(timer, "retain"), s.nextSequence++, !service};
  if (held.traced)
    s.add(facts::TimerScheduled{timerDescription(timer), ::nimsim::objcshell::repeats(timer),
                                madeInterval(timer)});
  s.timers.push_back(held);
  return timer;
}

void invalidate(id self, SEL cmd) {
  auto& timers = state().timers;
  auto found = std::find_if(timers.begin(), timers.end(),
                            [self](const VirtualTimer& t) { return t.timer == self; });
  const bool wasValid = msg<BOOL>(self, "isValid");
  const std::string description = wasValid ? timerDescription(self) : std::string();
  nimbrel::objc::impAs<void>(originalInvalidate)(self, cmd);
  if (found == timers.end()) return;
  if (wasValid && !msg<BOOL>(self, "isValid") && found->traced)
    state().add(facts::TimerInvalidated{description});
  id timer = found->timer;
  timers.erase(found);
  msg<void>(timer, "release");
}

// The run loop's callout, not -[NSTimer fire], which catches and only logs what the target
// raises: an exception escaping the target goes on into the shell process, as nothing above a
// timer catches it on the phone. The timer and its target are kept for the call, which may
// invalidate the timer; a one-shot timer is invalidated once it has fired.
void fire(id timer) {
  const nimbrel::objc::Owned kept(msg(timer, "retain"));
  const nimbrel::objc::Owned target(msg(timerField<id>(timer, "_target"), "retain"));
  nimbrel::objc::sendGuarded<void>(target.get(), timerField<SEL>(timer, "_selector"), timer);
  if (!repeats(timer)) msg<void>(timer, "invalidate");
}

// As the run loop does, a repeating timer's next date is set once its callout is over, one
// interval after the date it fired for, and it goes behind what is already due then; a target
// that raised leaves it as it was.
void fireTimer(const VirtualTimer& due, double dueDate) {
  ProcessState& s = state();
  if (due.traced) s.add(facts::TimerFired{timerDescription(due.timer)});
  fire(due.timer);
  auto still = std::find_if(s.timers.begin(), s.timers.end(),
                            [&](const VirtualTimer& t) { return t.timer == due.timer; });
  if (still == s.timers.end() || !repeats(due.timer)) return;
  setFireDate(due.timer, dueDate + msg<double>(due.timer, "timeInterval"));
  still->sequence = s.nextSequence++;
}

// What a completion on a second thread handed to the interface thread runs in a turn of the
// main run loop of its own, as the phone's main queue runs it.
void queueHandOvers() {
  ProcessState& s = state();
  if (TSAwaitSecondThreadCompletions() > 0) s.turns.push_back({s.now, s.nextSequence++});
}

void runMainThreadTurn() {
  const nimbrel::objc::PoolScope pool;
  msg<BOOL>(msg(classNamed("NSRunLoop"), "currentRunLoop"),
            "runMode:beforeDate:", makeString("NSDefaultRunLoopMode"),
            msg(classNamed("NSDate"), "distantPast"));
}

// The next timer or turn due: the earliest date, then the first queued for it.
struct Due {
  double date;
  std::uint64_t sequence;
  std::optional<VirtualTimer> timer;
  bool operator<(const Due& other) const {
    return date != other.date ? date < other.date : sequence < other.sequence;
  }
};

std::optional<Due> nextDue() {
  std::optional<Due> next;
  auto consider = [&next](Due candidate) {
    if (!next || candidate < *next) next = std::move(candidate);
  };
  for (const VirtualTimer& t : state().timers) consider({fireDate(t.timer), t.sequence, t});
  for (const MainThreadTurn& turn : state().turns) consider({turn.time, turn.sequence, {}});
  return next;
}

// A timer gone lends its id to no newcomer at its address, as the test shell's objects do not.
void timerDealloc(id self, SEL cmd) {
  state().ids.erase(self);
  nimbrel::objc::impAs<void>(originalTimerDealloc)(self, cmd);
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
  originalTimerDealloc = replaceMethod(objc_getClass("NSTimer"), "dealloc", asImp(&timerDealloc));
}

void advanceTo(double until) {
  ProcessState& s = state();
  for (std::optional<Due> due = nextDue(); due && due->date <= until; due = nextDue()) {
    s.now = std::max(s.now, due->date);
    if (due->timer) {
      fireTimer(*due->timer, due->date);
      queueHandOvers();
    } else {
      std::erase_if(s.turns, [&](const MainThreadTurn& t) { return t.sequence == due->sequence; });
      runMainThreadTurn();
    }
  }
  s.now = std::max(s.now, until);
}

std::vector<nlohmann::json> timersJson(double start) {
  std::vector<nlohmann::json> out;
  for (const VirtualTimer& t : state().timers) {
    if (!t.traced) continue;
    out.push_back(facts::scheduledTimerJson(
        {state().idOf(t.timer), timerDescription(t.timer),
         sel_getName(timerField<SEL>(t.timer, "_selector")), msg<double>(t.timer, "timeInterval"),
         repeats(t.timer), msg<BOOL>(t.timer, "isValid") != 0, fireDate(t.timer) - start}));
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
