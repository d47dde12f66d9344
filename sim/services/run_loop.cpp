// The one run loop of a simulated process, on a virtual clock.
#include "sim/services/run_loop.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace sim {

namespace {

host::Class& timerClassOf(Runtime& runtime) {
  if (host::Class* existing = runtime.findClass("NSTimer")) return *existing;
  return runtime.defineClass("NSTimer", runtime.findClass("NSObject"));
}

std::string formatSeconds(double seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%.10g", seconds);
  return text;
}

std::string formatTime(double secondsSince1970) {
  char text[64];
  std::snprintf(text, sizeof text, "%.4f", secondsSince1970);
  return text;
}

}  // namespace

SimTimer::SimTimer(host::Class& cls, double interval, host::Id target, host::Selector selector,
                   host::Id userInfo, bool repeats)
    : Instance(cls),
      interval_(interval),
      repeats_(repeats),
      target_(std::move(target)),
      selector_(selector.name),
      userInfo_(std::move(userInfo)) {}

std::string SimTimer::description() const {
  if (!target_) return facts::describe(facts::Method{"", selector_});
  return methodDescription(target_->objectClass(), host::Selector{selector_});
}

void SimTimer::invalidate() {
  if (!valid_) return;
  valid_ = false;
  const auto keepAlive = weak_from_this().lock();  // the run loop may hold the last reference
  // The run loop may already be gone when the add-on's state outlives its process.
  if (!runLoopAlive_.expired() && runLoop_) runLoop_->timerInvalidated(*this);
  target_.reset();
  userInfo_.reset();
}

RunLoop::RunLoop(Record& record, Runtime& runtime, double startSecondsSince1970)
    : record_(record),
      runtime_(runtime),
      timerClass_(timerClassOf(runtime)),
      now_(startSecondsSince1970) {
  if (!std::isfinite(startSecondsSince1970))
    throw std::invalid_argument("the virtual clock must start at a finite time");
}

RunLoop::~RunLoop() { alive_.reset(); }

void RunLoop::reset(double startSecondsSince1970) {
  // Timers of the old loop hold the old flag, which expires here, so none reaches this loop.
  alive_ = std::make_shared<bool>(true);
  std::map<EventKey, Event> events = std::move(events_);
  std::vector<std::shared_ptr<SimTimer>> timers = std::move(timers_);
  events_.clear();
  timers_.clear();
  now_ = startSecondsSince1970;
  nextSequence_ = 0;
  eventLimit_ = defaultEventLimit;
}

RunLoop::EventKey RunLoop::enqueue(double time, std::function<void()> action,
                                   std::string description) {
  if (std::isnan(time)) throw std::invalid_argument("an event cannot be posted at a NaN time");
  const EventKey key{std::max(time, now_), nextSequence_++};
  events_.emplace(key, Event{std::move(action), std::move(description)});
  return key;
}

void RunLoop::post(double time, std::function<void()> action, std::string description) {
  enqueue(time, std::move(action), std::move(description));
}

void RunLoop::runDueEvents(double until, const char* caller) {
  std::size_t ran = 0;
  while (!events_.empty() && events_.begin()->first.first <= until) {
    if (ran == eventLimit_) {
      throw std::runtime_error(
          std::string(caller) + " ran " + std::to_string(eventLimit_) +
          " events without finishing (next: " + events_.begin()->second.description +
          "): an event source fires faster than the simulation models");
    }
    auto node = events_.extract(events_.begin());
    now_ = std::max(now_, node.key().first);
    ++ran;
    node.mapped().action();
  }
}

void RunLoop::advance(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0)
    throw std::invalid_argument("advance needs a finite, non-negative duration, not " +
                                formatSeconds(seconds));
  const double target = now_ + seconds;
  runDueEvents(target, "advance");
  now_ = target;
}

void RunLoop::runUntilIdle() { runDueEvents(now_, "runUntilIdle"); }

std::optional<double> RunLoop::nextEventTime() const {
  if (events_.empty()) return std::nullopt;
  return events_.begin()->first.first;
}

std::vector<std::string> RunLoop::pendingDescriptions() const {
  std::vector<std::string> descriptions;
  for (const auto& [key, event] : events_)
    descriptions.push_back(formatTime(key.first) + " " + event.description);
  return descriptions;
}

std::shared_ptr<host::Timer> RunLoop::scheduledTimer(double interval, const host::Id& target,
                                                     host::Selector selector,
                                                     const host::Id& userInfo, bool repeats) {
  if (std::isnan(interval))
    throw std::invalid_argument("NaN was used as an interval for an NSTimer: the process halts");
  const double effective = interval <= 0 ? minimumTimerInterval : interval;
  auto timer =
      std::make_shared<SimTimer>(timerClass_, effective, target, selector, userInfo, repeats);
  timer->runLoop_ = this;
  timer->runLoopAlive_ = alive_;
  timer->fireTime_ = now_ + effective;
  timers_.push_back(timer);
  armTimer(timer);
  record_.add([&] { return facts::TimerScheduled{timer->description(), repeats, effective}; });
  return timer;
}

std::vector<std::shared_ptr<SimTimer>> RunLoop::scheduledTimers() const { return timers_; }

void RunLoop::armTimer(const std::shared_ptr<SimTimer>& timer) {
  std::weak_ptr<SimTimer> weak = timer;
  timer->pendingEvent_ = enqueue(
      timer->fireTime_,
      [this, weak] {
        if (auto fired = weak.lock()) fireTimer(fired);
      },
      "timer " + timer->description());
}

// As CFRunLoop does: the callout first, then a one-shot timer is invalidated, a repeating
// one re-armed one interval after its previous fire time.
void RunLoop::fireTimer(const std::shared_ptr<SimTimer>& timer) {
  timer->pendingEvent_.reset();
  if (!timer->valid_) return;
  record_.add([&] { return facts::TimerFired{timer->description()}; });
  const host::Id target = timer->target_;
  runtime_.sendVoid(target, host::Selector{timer->selector_});
  if (!timer->valid_) return;
  if (!timer->repeats_) {
    timer->invalidate();
    return;
  }
  timer->fireTime_ += timer->interval_;
  armTimer(timer);
}

void RunLoop::timerInvalidated(SimTimer& timer) {
  if (timer.pendingEvent_) events_.erase(*timer.pendingEvent_);
  timer.pendingEvent_.reset();
  record_.add([&] { return facts::TimerInvalidated{timer.description()}; });
  std::erase_if(timers_, [&](const auto& held) { return held.get() == &timer; });
}

}  // namespace sim
