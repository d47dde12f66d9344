// The one run loop of a simulated process, on a virtual clock: timers, notification
// deliveries and weather completions are events run in time order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/services.h"
#include "sim/record.h"
#include "sim/runtime/instance.h"
#include "sim/runtime/runtime.h"

namespace sim {

class RunLoop;

// NSTimer. While scheduled and valid, the run loop holds it and it holds its target and user
// information; invalidating releases both and takes it off the run loop.
class SimTimer final : public Instance<host::Timer>, public std::enable_shared_from_this<SimTimer> {
 public:
  SimTimer(host::Class& cls, double interval, host::Id target, host::Selector selector,
           host::Id userInfo, bool repeats);

  void invalidate() override;
  bool isValid() const override { return valid_; }
  // The effective interval of a repeating timer; 0 for a one-shot timer, as NSTimer says.
  double timeInterval() const override { return repeats_ ? interval_ : 0.0; }

  // The interval after the 0.0001-second floor, whether or not the timer repeats.
  double effectiveInterval() const { return interval_; }
  bool repeats() const { return repeats_; }
  double fireTime() const { return fireTime_; }
  const host::Id& target() const { return target_; }
  const std::string& selectorName() const { return selector_; }
  // "-[Target selector]", or "nil selector" once the target is gone.
  std::string description() const;

 private:
  friend class RunLoop;

  double interval_;
  bool repeats_;
  host::Id target_;
  std::string selector_;
  host::Id userInfo_;
  bool valid_ = true;
  double fireTime_ = 0;
  RunLoop* runLoop_ = nullptr;
  std::weak_ptr<bool> runLoopAlive_;
  std::optional<std::pair<double, std::uint64_t>> pendingEvent_;
};

// The run loop and the process's clock (NSDate date). Rules:
// - events run in time order, ties in posting order; an event posted for a time already past
//   runs at the current time, which never goes backwards;
// - advance(d) runs every event due up to now + d, setting the clock to each event's time
//   before running it, and ends with the clock exactly at now + d;
// - runUntilIdle() runs the events due now, including those they post for now, and never
//   moves the clock;
// - one call runs at most eventLimit() events (defaultEventLimit unless set) and then
//   throws: a timer firing faster than that is a fault the simulation refuses rather than
//   hangs on.
// An exception from an event leaves the clock at that event's time and propagates.
class RunLoop final : public host::RunLoop, public host::Clock {
 public:
  static constexpr std::size_t defaultEventLimit = 1'000'000;
  // What NSTimer makes of an interval of 0 or less.
  static constexpr double minimumTimerInterval = 0.0001;

  // The timer class is the runtime's "NSTimer", defined here if the runtime lacks it.
  RunLoop(Record& record, Runtime& runtime, double startSecondsSince1970);
  ~RunLoop() override;
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  host::Date now() const override { return {now_}; }
  double seconds() const { return now_; }

  // Queues an action at an absolute time (seconds since 1970); the description names it in
  // pendingDescriptions(). A NaN time is refused.
  void post(double time, std::function<void()> action, std::string description);

  // Raises std::invalid_argument for a negative or non-finite duration.
  void advance(double seconds);
  void runUntilIdle();

  // Back to a new run loop's state at that time: every pending event and every timer is let go
  // (the timers without running or invalidating them, as when a process ends).
  void reset(double startSecondsSince1970);

  std::size_t eventLimit() const { return eventLimit_; }
  void setEventLimit(std::size_t limit) { eventLimit_ = limit; }

  std::size_t pendingCount() const { return events_.size(); }
  std::optional<double> nextEventTime() const;
  // "<time> <description>" for each pending event, in the order they will run.
  std::vector<std::string> pendingDescriptions() const;

  // NSTimer scheduledTimerWithTimeInterval:target:selector:userInfo:repeats:. An interval of
  // 0 or less becomes 0.0001 s and keeps the repeat flag; NaN halts the process, which here
  // raises std::invalid_argument. Records "scheduled ..." under "timer".
  std::shared_ptr<host::Timer> scheduledTimer(double interval, const host::Id& target,
                                              host::Selector selector, const host::Id& userInfo,
                                              bool repeats) override;
  // The valid timers the run loop holds, in scheduling order.
  std::vector<std::shared_ptr<SimTimer>> scheduledTimers() const;

 private:
  friend class SimTimer;
  using EventKey = std::pair<double, std::uint64_t>;
  struct Event {
    std::function<void()> action;
    std::string description;
  };

  EventKey enqueue(double time, std::function<void()> action, std::string description);
  void runDueEvents(double until, const char* caller);
  void armTimer(const std::shared_ptr<SimTimer>& timer);
  void fireTimer(const std::shared_ptr<SimTimer>& timer);
  void timerInvalidated(SimTimer& timer);

  Record& record_;
  Runtime& runtime_;
  host::Class& timerClass_;
  double now_;
  std::size_t eventLimit_ = defaultEventLimit;
  std::uint64_t nextSequence_ = 0;
  std::map<EventKey, Event> events_;
  std::vector<std::shared_ptr<SimTimer>> timers_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sim
