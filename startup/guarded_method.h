// A replaced method as the hook engine installs it: the add-on's routine, guarded so that what
// its own messages raise never reaches the shell, in front of the shell's own implementation.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "host/object.h"
#include "host/runtime.h"
#include "state/entries.h"

namespace nimbrel {

// The shell's answer kept during a call, in case the add-on raises after it.
template <class Answer>
struct KeptAnswer {
  Answer value{};
  void reserve() {}
  void keep(const Answer& answer) { value = answer; }
  Answer get() const { return value; }
  void letGo() { value = Answer{}; }
};

// A file name is kept in a buffer that outlives the call, so that keeping it allocates
// nothing once the buffer has its size: the add-on allocates nothing of its own in steady
// state.
template <>
struct KeptAnswer<std::optional<std::string>> {
  std::string text;
  bool present = false;
  void reserve() { text.reserve(64); }
  void keep(const std::optional<std::string>& answer) {
    present = answer.has_value();
    if (answer) text.assign(*answer);
  }
  std::optional<std::string> get() const {
    return present ? std::optional<std::string>(text) : std::nullopt;
  }
  void letGo() {
    text.clear();
    present = false;
  }
};

template <auto replacement, class Imp = decltype(replacement)>
class GuardedMethod;

// One per replacement routine. The add-on's routine runs as one step that expects the platform
// to raise. What its own messages raise is logged, the first time only (the shell calls these
// methods at every layout), and the method answers what the shell's implementation answered,
// calling it first if the raise came before the routine did. What the shell's implementation
// itself raises goes back to the shell as itself.
template <auto replacement, class R, class... Args>
class GuardedMethod<replacement, R (*)(Args...)> {
 public:
  using Imp = R (*)(Args...);

  // Installs the guard for `selector` of `cls` (null when the process lacks the class), named
  // `entry` in the log. The add-on's routine calls the shell's implementation through
  // `*previous`, which is published before the hook goes live, as the hook engine publishes
  // the implementation it replaces before swapping it out.
  static host::HookOutcome install(host::Runtime& runtime, host::Class* cls,
                                   host::Selector selector, std::string_view entry, Imp* previous) {
    entry_ = entry;
    logged_.store(false, std::memory_order_relaxed);
    *previous = &callPrevious;
    return runtime.hookMessage(cls, selector, reinterpret_cast<host::Imp>(&call), &original_);
  }

  // What the hook engine calls.
  static R call(Args... args) {
    Frame frame;
    FrameScope scope(frame);
    try {
      host::ExpectPlatformException expected;
      return replacement(args...);
    } catch (const host::PlatformException& raised) {
      if (frame.previousRaising) throw;
      if (!logged_.exchange(true, std::memory_order_relaxed)) logCaughtException(entry_, raised);
    }
    if constexpr (std::is_void_v<R>) {
      if (!frame.answered) callOriginal(args...);
    } else {
      if (frame.answered) return frame.kept->get();
      return callOriginal(args...);
    }
  }

 private:
  using Answer = std::conditional_t<std::is_void_v<R>, bool, R>;
  // Where a call keeps the shell's answer: the slot below when no other call holds it (the
  // common case: one call at a time), else space of its own.
  struct KeptSlot {
    KeptSlot() { answer.reserve(); }
    std::atomic<bool> taken{false};
    KeptAnswer<Answer> answer;
  };
  struct Frame {
    bool previousRaising = false;  // inside the shell's implementation, or left by its raise
    bool answered = false;
    bool ownsSlot = !slot_.taken.exchange(true, std::memory_order_acquire);
    KeptAnswer<Answer> own;
    KeptAnswer<Answer>* kept = ownsSlot ? &slot_.answer : &own;
  };
  // This thread's innermost call, for the shell's implementation to report to; at the end the
  // kept answer is let go of (a string keeps its buffer) and the slot freed.
  class FrameScope {
   public:
    explicit FrameScope(Frame& frame) : frame_(frame), outer_(std::exchange(current_, &frame)) {}
    ~FrameScope() {
      current_ = outer_;
      frame_.kept->letGo();
      if (frame_.ownsSlot) slot_.taken.store(false, std::memory_order_release);
    }
    FrameScope(const FrameScope&) = delete;
    FrameScope& operator=(const FrameScope&) = delete;

   private:
    Frame& frame_;
    Frame* outer_;
  };

  static R callOriginal(Args... args) {
    Imp original = reinterpret_cast<Imp>(original_);
    if (!original) return R();
    return original(args...);
  }

  // The add-on's routine's way to the shell's implementation: noted in the call's frame, so
  // that a raise from it is told apart from the add-on's own.
  static R callPrevious(Args... args) {
    Frame* frame = current_;
    if (!frame) return callOriginal(args...);
    frame->previousRaising = true;
    if constexpr (std::is_void_v<R>) {
      callOriginal(args...);
      frame->previousRaising = false;
      frame->answered = true;
    } else {
      R answer = callOriginal(args...);
      frame->previousRaising = false;
      frame->answered = true;
      frame->kept->keep(answer);
      return answer;
    }
  }

  static inline KeptSlot slot_;
  static inline host::Imp original_ = nullptr;
  static inline std::string_view entry_;
  static inline std::atomic<bool> logged_{false};
  static inline constinit thread_local Frame* current_ = nullptr;
};

}  // namespace nimbrel
