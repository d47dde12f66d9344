// Nothing piles up over thousands of lock cycles.
#include <gtest/gtest.h>

#include "tests/support/lock_cycles.h"

namespace {

// The cycles switch random, lock-and-unlock and custom weather on and off with periods of 14,
// 22 and 26 cycles: every 2002 cycles the settings are as they were.
constexpr long kSettingsPeriod = 2002;
constexpr long kWarmUp = 100;

std::string describe(const sim::LiveObjects& live) {
  return "views " + std::to_string(live.views) + ", cities " + std::to_string(live.cities) +
         ", timers " + std::to_string(live.timers) + ", alerts " + std::to_string(live.alerts) +
         ", others " + std::to_string(live.others);
}

TEST(LongRun, TenThousandLockCyclesLeaveNoMoreLiveObjectsThanTheFirstHundred) {
  testing_support::LockCycles cycles(7);
  cycles.run(kWarmUp);
  const sim::LiveObjects settled = sim::liveObjects();
  for (int period = 1; period <= 5; ++period) {
    cycles.run(kSettingsPeriod);
    EXPECT_EQ(describe(sim::liveObjects()), describe(settled)) << "after " << cycles.cyclesRun();
  }
  EXPECT_GE(cycles.cyclesRun(), 10000);
}

}  // namespace
