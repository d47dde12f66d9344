// The virtual clock, the run loop's event order and NSTimer's rules.
#include "sim/services/run_loop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/methods.h"

namespace {

using testing::ElementsAre;

// An object whose -tickTock writes the virtual time into a trace.
class Ticker final : public sim::Instance<host::Object> {
 public:
  Ticker(host::Class& cls, std::vector<std::string>& trace, const sim::RunLoop& loop)
      : Instance(cls), trace_(trace), loop_(loop) {}
  std::vector<std::string>& trace_;
  const sim::RunLoop& loop_;
  std::function<void()> onTick;
};

void tickTock(const host::Id& self, host::Selector) {
  auto& ticker = static_cast<Ticker&>(*self);
  ticker.trace_.push_back("tick at " + std::to_string(ticker.loop_.seconds()));
  if (ticker.onTick) ticker.onTick();
}

class RunLoopTest : public testing::Test {
 protected:
  RunLoopTest() {
    tickerClass_ = &runtime_.defineClass("SBLockScreenDateViewController", nullptr);
    runtime_.defineMethod<host::methods::TickTock>(*tickerClass_, &tickTock);
  }

  // Posts an event that writes its name and the time it ran at into the trace.
  void postNamed(double time, const std::string& name) {
    loop_.post(
        time, [this, name] { trace_.push_back(name + " at " + std::to_string(loop_.seconds())); },
        name);
  }
  std::shared_ptr<Ticker> makeTicker() {
    return std::make_shared<Ticker>(*tickerClass_, trace_, loop_);
  }
  std::shared_ptr<host::Timer> schedule(double interval, const host::Id& target, bool repeats) {
    return loop_.scheduledTimer(interval, target, host::methods::TickTock::selector, nullptr,
                                repeats);
  }
  static std::string at(double seconds) { return std::to_string(seconds); }

  sim::Record record_{[this] { return loop_.seconds(); }};
  sim::Runtime runtime_{record_};
  sim::RunLoop loop_{record_, runtime_, 1000.0};
  host::Class* tickerClass_ = nullptr;
  std::vector<std::string> trace_;
};

TEST_F(RunLoopTest, AdvanceRunsDueEventsInTimeOrderAndEndsExactlyAtTheTarget) {
  postNamed(1005, "c");
  postNamed(1002, "a");
  postNamed(1002, "b");
  postNamed(1020, "later");
  loop_.advance(10);
  EXPECT_THAT(trace_, ElementsAre("a at " + at(1002), "b at " + at(1002), "c at " + at(1005)));
  EXPECT_EQ(loop_.seconds(), 1010.0);
  EXPECT_EQ(loop_.now().secondsSince1970, 1010.0);
  EXPECT_THAT(loop_.pendingDescriptions(), ElementsAre("1020.0000 later"));
}

TEST_F(RunLoopTest, EventsPostedWhileAdvancingRunWhenDueBeforeTheTarget) {
  loop_.post(
      1001,
      [this] {
        postNamed(1003, "inside");
        postNamed(1100, "outside");
      },
      "poster");
  loop_.advance(5);
  EXPECT_THAT(trace_, ElementsAre("inside at " + at(1003)));
  EXPECT_EQ(loop_.seconds(), 1005.0);
  EXPECT_EQ(loop_.nextEventTime(), 1100.0);
}

TEST_F(RunLoopTest, RunUntilIdleRunsOnlyWhatIsDueNowAndNeverMovesTime) {
  loop_.post(
      1000, [this] { postNamed(1000, "posted now"); }, "first");
  postNamed(999, "overdue");
  postNamed(1000.5, "future");
  loop_.runUntilIdle();
  EXPECT_THAT(trace_, ElementsAre("overdue at " + at(1000), "posted now at " + at(1000)));
  EXPECT_EQ(loop_.seconds(), 1000.0);
  EXPECT_EQ(loop_.pendingCount(), 1u);
}

TEST_F(RunLoopTest, AdvanceRefusesDurationsThatAreNotFiniteOrNegative) {
  for (double bad : {-1.0, std::numeric_limits<double>::infinity(), std::nan("")})
    EXPECT_THROW(loop_.advance(bad), std::invalid_argument) << bad;
  EXPECT_THROW(loop_.post(
                   std::nan(""), [] {}, "nan"),
               std::invalid_argument);
  EXPECT_EQ(loop_.seconds(), 1000.0);
}

TEST_F(RunLoopTest, RepeatingTimerFiresEachIntervalAndIsRecorded) {
  auto ticker = makeTicker();
  auto timer = schedule(2, ticker, true);
  EXPECT_EQ(timer->timeInterval(), 2.0);
  loop_.advance(7);
  EXPECT_THAT(trace_,
              ElementsAre("tick at " + at(1002), "tick at " + at(1004), "tick at " + at(1006)));
  EXPECT_EQ(loop_.seconds(), 1007.0);
  timer->invalidate();
  loop_.advance(10);
  EXPECT_EQ(trace_.size(), 3u);
  EXPECT_THAT(record_.textsIn("timer"),
              ElementsAre("scheduled -[SBLockScreenDateViewController tickTock] every 2s",
                          "fired -[SBLockScreenDateViewController tickTock]",
                          "fired -[SBLockScreenDateViewController tickTock]",
                          "fired -[SBLockScreenDateViewController tickTock]",
                          "invalidated -[SBLockScreenDateViewController tickTock]"));
}

TEST_F(RunLoopTest, IntervalsOfZeroOrLessBecomeATenThousandthKeepingTheRepeatFlag) {
  auto ticker = makeTicker();
  for (double interval : {0.0, -1.0}) {
    auto repeating = std::static_pointer_cast<sim::SimTimer>(schedule(interval, ticker, true));
    EXPECT_EQ(repeating->timeInterval(), sim::RunLoop::minimumTimerInterval);
    EXPECT_TRUE(repeating->repeats());
    auto once = std::static_pointer_cast<sim::SimTimer>(schedule(interval, ticker, false));
    EXPECT_EQ(once->timeInterval(), 0.0);
    EXPECT_EQ(once->effectiveInterval(), sim::RunLoop::minimumTimerInterval);
    EXPECT_EQ(once->fireTime(), 1000.0 + sim::RunLoop::minimumTimerInterval);
    repeating->invalidate();
  }
}

TEST_F(RunLoopTest, NanIntervalHaltsInsteadOfScheduling) {
  EXPECT_THROW(schedule(std::nan(""), makeTicker(), true), std::invalid_argument);
  EXPECT_TRUE(loop_.scheduledTimers().empty());
}

TEST_F(RunLoopTest, OneShotTimerFiresOnceThenIsInvalidAndReleased) {
  auto ticker = makeTicker();
  std::weak_ptr<Ticker> target = ticker;
  auto timer = schedule(5, ticker, false);
  ticker.reset();
  EXPECT_FALSE(target.expired()) << "a scheduled timer holds its target";
  loop_.advance(20);
  EXPECT_EQ(trace_.size(), 1u);
  EXPECT_FALSE(timer->isValid());
  EXPECT_TRUE(target.expired());
  EXPECT_TRUE(loop_.scheduledTimers().empty());
}

TEST_F(RunLoopTest, RunLoopHoldsTheTimerUntilItIsInvalidated) {
  std::weak_ptr<host::Timer> held = schedule(1, makeTicker(), true);
  loop_.advance(2);
  EXPECT_EQ(trace_.size(), 2u);
  ASSERT_FALSE(held.expired());
  held.lock()->invalidate();
  EXPECT_TRUE(held.expired());
  EXPECT_EQ(loop_.pendingCount(), 0u);
}

TEST_F(RunLoopTest, TimerInvalidatedFromItsOwnCalloutIsNotRearmed) {
  auto ticker = makeTicker();
  std::shared_ptr<host::Timer> timer = schedule(1, ticker, true);
  ticker->onTick = [&] { timer->invalidate(); };
  loop_.advance(5);
  EXPECT_EQ(trace_.size(), 1u);
  EXPECT_EQ(loop_.pendingCount(), 0u);
  ticker->onTick = nullptr;
}

TEST_F(RunLoopTest, TenKilohertzTimerIsRefusedInsteadOfHanging) {
  loop_.setEventLimit(20000);
  auto timer = schedule(0, makeTicker(), true);
  loop_.advance(1);
  EXPECT_NEAR(static_cast<double>(trace_.size()), 10000.0, 1.0);
  try {
    loop_.advance(10);
    ADD_FAILURE() << "a 10 kHz timer ran past the event limit";
  } catch (const std::runtime_error& error) {
    EXPECT_THAT(error.what(), testing::HasSubstr("fires faster than the simulation models"));
  }
  timer->invalidate();
}

TEST_F(RunLoopTest, TargetWithoutTheMethodRaisesWhenTheTimerFires) {
  host::Class& plain = runtime_.defineClass("Plain", nullptr);
  auto target = std::make_shared<Ticker>(plain, trace_, loop_);
  auto timer = schedule(1, target, false);
  EXPECT_THROW(loop_.advance(1), host::PlatformException);
}

}  // namespace
