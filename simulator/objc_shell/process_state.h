// What the shell process keeps about itself: the scenario's clock, the add-on's timers, the
// trace entries not yet handed to the simulator, and what it watched the test shell do.
#pragma once

#include <objc/objc.h>

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "facts/trace.h"
#include "objc/test_shell/test_shell.h"
#include "sim/services/random.h"
#include "simulator/objc_shell/shell_layout.h"

namespace nimsim::objcshell {

// A timer the add-on (or the Weather service) scheduled: the real NSTimer, unscheduled, fired
// when the scenario's time reaches its fire date by sending its selector to its target, as the
// run loop's callout does. Its date, interval, target and selector are the NSTimer's own.
struct VirtualTimer {
  id timer = nullptr;  // retained
  // When it was put on the run loop for its fire date: events due at one instant run in this
  // order. A repeating timer is put on again each time its callout ends.
  std::uint64_t sequence = 0;
  bool traced = true;  // the Weather service's own timers are not the add-on's
};

// A turn of the main run loop, queued when a completion on a second thread handed work over
// to the interface thread: it runs behind what was already due at that instant.
struct MainThreadTurn {
  double time = 0;  // seconds since 1970
  std::uint64_t sequence = 0;
};

// A weather background as the shell watched it: its number in the process, and its binds.
struct BackgroundSeen {
  int number = 0;
  int binds = 0;
};

struct ProcessState {
  double now = 0;  // seconds since 1970
  nlohmann::json trace = nlohmann::json::array();
  std::vector<VirtualTimer> timers;
  std::vector<MainThreadTurn> turns;
  std::uint64_t nextSequence = 0;
  std::map<id, BackgroundSeen> backgrounds;
  int backgroundsMade = 0;
  std::map<const void*, std::string> ids;
  nlohmann::json idCounters = nlohmann::json::object();
  sim::SeededRandom random{1};
  TSShell shell{};
  ShellLayout layout;
  void* addon = nullptr;
  bool addonLoaded = false;
  bool landscape = false;
  std::string home;
  // Why the scenario's scripted draw could not be answered, once the add-on has drawn it.
  std::optional<std::string> refusedDraw;
  // The start of the last snapshot, while no other request has come since: the next one at
  // the same start finds the shell's objects as that one did.
  std::optional<double> lastSnapshotStart;

  template <facts::Fact Fact>
  void add(const Fact& fact) {
    const facts::TraceLine line = facts::traceLine(fact);
    trace.push_back({{"time", now}, {"category", line.category}, {"text", line.text}});
  }
  // "UIView#3": one id per object for the run, numbered by class.
  std::string idOf(id object);
};

ProcessState& state();

// The clock, timers and random numbers the add-on reads through Foundation and libc, made the
// scenario's: installed once, before the add-on loads.
void installVirtualTime();
// Runs every timer and turn due by `until`, by date, then in the order they were queued for it,
// moving the clock to each; then to `until`.
void advanceTo(double until);
// The timers the add-on holds that are still valid.
std::vector<nlohmann::json> timersJson(double start);

// The test shell's calls and the add-on's log lines as trace lines, and backgrounds' bindings
// remembered.
void watchCalls();

}  // namespace nimsim::objcshell
