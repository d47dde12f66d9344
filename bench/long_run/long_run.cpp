// A long run of lock cycles under a fixed seed, reporting live simulated objects and the
// process's resident memory every 100,000 cycles: both must stay flat.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/lock_cycles.h"

namespace {

constexpr long kReportEvery = 100000;

// Resident set size in KiB, from the kernel's own account of this process.
long residentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

void report(long cycles) {
  const sim::LiveObjects live = sim::liveObjects();
  std::printf(
      "%9ld cycles  views %ld  cities %ld  timers %ld  alerts %ld  others %ld  rss %ld KiB\n",
      cycles, live.views, live.cities, live.timers, live.alerts, live.others, residentKiB());
  std::fflush(stdout);
}

long parseCount(const char* text, long fallback) {
  if (!text) return fallback;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && value > 0 ? value : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const long cycles = parseCount(argc > 1 ? argv[1] : nullptr, 1000000);
  const long seed = parseCount(argc > 2 ? argv[2] : nullptr, 1);
  if (argc > 3 || cycles < 0 || seed < 0) {
    std::fprintf(stderr, "usage: nimbrel_long_run [CYCLES (default 1000000)] [SEED (default 1)]\n");
    return 2;
  }
  testing_support::LockCycles run(static_cast<std::uint32_t>(seed));
  report(0);
  while (run.cyclesRun() < cycles) {
    run.run(std::min(kReportEvery, cycles - run.cyclesRun()));
    report(run.cyclesRun());
  }
  return 0;
}
