// What the scenario runner drives: the simulated device and its process, behind one seam so
// that the runner's own rules (order, limits, exit statuses) are testable on their own.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/value.h"
#include "sim/record.h"
#include "simulator/script.h"

namespace nimsim {

// The notifications the shell posts when the device locks and when the display turns.
inline constexpr const char* kLockCompleteName = "com.apple.springboard.lockcomplete";
inline constexpr const char* kDisplayStatusName = "com.apple.iokit.hid.displayStatus";

// A run-loop limit was reached, or the scenario asked for something not modelled.
class SimulationLimit : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A scenario command the platform cannot honour (the Objective-C platform has no counterpart
// for a few): never a fault of the scenario, so it has an exit status of its own.
class NotOnPlatform : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A device set-up the simulation cannot honour (an unknown profile name): bad input.
class BadDeviceSetup : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where the runner boots the shell before a command that needs a process.
inline constexpr const char* kShellBundle = "com.apple.springboard";
inline constexpr const char* kShellExecutable =
    "/System/Library/CoreServices/SpringBoard.app/SpringBoard";

class World {
 public:
  virtual ~World() = default;

  // An unknown device profile raises BadDeviceSetup, checked before anything runs.
  virtual void checkProfile(const std::string& name) = 0;
  // The seed of the next boot's random numbers.
  virtual void setSeed(std::uint32_t seed) = 0;

  // Processes.
  virtual void boot(const std::string& bundle, const std::vector<std::string>& arguments) = 0;
  virtual bool booted() const = 0;
  // Counts boots: a new process's record starts a new trace even at a reused address.
  virtual int generation() const = 0;

  // Carries out a command whose row in commands.def says `device` or `process` (the runner
  // boots the shell before a `process` one). Bad input raises std::invalid_argument, a
  // command the platform cannot honour NotOnPlatform, a shell crash host::PlatformException.
  virtual void perform(const Statement& command) = 0;

  // What the runner's own commands and the settings pane's taps are made of.
  virtual void setPreference(const std::string& key, const host::Value& value) = 0;
  virtual void postNotification(const std::string& name) = 0;
  virtual void setNotifyState(const std::string& name, std::uint64_t state) = 0;

  // Observation.
  virtual double now() const = 0;
  virtual const sim::Record* record() const = 0;  // the current process's, or none
  virtual nlohmann::json snapshot(double start) = 0;
  virtual std::string showText(const std::string& what, double start) = 0;
};

}  // namespace nimsim
