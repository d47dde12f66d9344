// Runs a parsed scenario against a world: one statement at a time, printing the trace, and
// turning failures into the documented exit statuses.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "simulator/script.h"
#include "simulator/world.h"

namespace nimsim {

namespace exitStatus {
constexpr int ok = 0;
constexpr int expectFailed = 1;
constexpr int badInput = 2;
constexpr int shellCrash = 3;
constexpr int limit = 4;
// A command the platform cannot honour (the Objective-C platform has no counterpart).
constexpr int notOnPlatform = 5;
}  // namespace exitStatus

// Virtual time one scenario may let pass in all.
constexpr double kMaxScenarioSeconds = 400.0 * 86400.0;

struct RunOptions {
  std::string outDir = "out";
  bool json = false;
  std::optional<std::uint32_t> seed;  // overrides the scenario's seed commands
  bool page = false;                  // also write the run's page, index.html, into outDir
  std::string platform = "sim";       // the world the command line makes: "sim" or "objc"
};

// Runs the script; text goes to `out` (the trace, shows, the summary) and `err` (failures).
// With json, one document goes to `out` at the end. With page, the run's page is written
// even when the run stops early, showing why. Returns the exit status.
int runScenario(const Script& script, World& world, const RunOptions& options, std::ostream& out,
                std::ostream& err);

}  // namespace nimsim
