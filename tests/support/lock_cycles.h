// Whole lock cycles driven through a simulated shell with the add-on installed, the way a
// phone lives through a day: shared by the growth test and the long-run tool.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "sim/process/process.h"
#include "sim/runtime/instance.h"

namespace testing_support {

// Each cycle: lock, screen on (the date view asked for), the weather arriving, screen off and
// on again, unlock, both wallpaper views asked for their content and laid out, the interface
// turned between portrait and landscape; every few cycles random weather, its lock-and-unlock
// mode and custom weather switch on or off through the settings notification.
class LockCycles {
 public:
  explicit LockCycles(std::uint32_t seed = 1);
  ~LockCycles();
  LockCycles(const LockCycles&) = delete;
  LockCycles& operator=(const LockCycles&) = delete;

  void run(long cycles);
  long cyclesRun() const { return cycles_; }
  sim::Process& process() { return *process_; }

 private:
  void cycle();
  void setSetting(const char* key, host::Value value);
  void post(const char* name);
  void display(bool on);

  sim::TemporaryDevice device_;
  std::optional<sim::Process> process_;
  long cycles_ = 0;
};

}  // namespace testing_support
