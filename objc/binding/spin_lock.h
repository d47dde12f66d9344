// A lock for the binding's tables, whose sections run a few dozen instructions and wait for
// nothing: taken and let go inline, one atomic exchange each, where a mutex takes two calls.
#pragma once

#include <time.h>

#include <atomic>

namespace nimbrel::objc {

class SpinLock {
 public:
  void lock() {
    if (!held_.exchange(true, std::memory_order_acquire)) [[likely]]
      return;
    waitAndLock();
  }
  void unlock() { held_.store(false, std::memory_order_release); }

 private:
  // Found held: a few tries while the holder finishes, then sleeps between tries, so that a
  // holder of lower priority gets the processor back to let go (spinning alone could keep it
  // from ever running).
  [[gnu::noinline]] void waitAndLock() {
    constexpr int kBusyTries = 100;
    constexpr timespec kNap{0, 20'000};
    for (int tries = 0;; ++tries) {
      if (!held_.load(std::memory_order_relaxed) &&
          !held_.exchange(true, std::memory_order_acquire))
        return;
      if (tries >= kBusyTries) nanosleep(&kNap, nullptr);
    }
  }

  std::atomic<bool> held_{false};
};

}  // namespace nimbrel::objc
