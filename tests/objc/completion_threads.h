// The threads on which the Weather framework completed its updates, before the add-on hands
// them over: shows that a completion said to come from a second thread really did.
#pragma once

#include <atomic>
#include <string_view>

#include "objc/runtime/message.h"
#include "objc/test_shell/test_shell.h"

// Counts while one lives.
struct CompletionThreads {
  CompletionThreads() {
    onMainThread = offMainThread = 0;
    TSSetCallObserver(&note);
  }
  ~CompletionThreads() { TSSetCallObserver(nullptr); }
  CompletionThreads(const CompletionThreads&) = delete;
  CompletionThreads& operator=(const CompletionThreads&) = delete;
  static void note(const char* selector, id, long, BOOL, id) {
    if (std::string_view(selector) != "completeWeatherUpdate") return;
    const bool onMain = nimbrel::objc::sendUnguarded<BOOL>(
        reinterpret_cast<id>(objc_getClass("NSThread")), sel_registerName("isMainThread"));
    ++(onMain ? onMainThread : offMainThread);
  }
  static inline std::atomic<int> onMainThread{0};
  static inline std::atomic<int> offMainThread{0};
};
