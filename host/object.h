// The object model of the platform's runtime: objects, classes, selectors and the
// platform's exception.
#pragma once

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace host {

class Class;

// Every platform object knows its runtime class. Strong references are shared pointers;
// an absent object is a null pointer.
class Object {
 public:
  virtual ~Object() = default;
  virtual Class& objectClass() const = 0;

  // isMemberOfClass: exact class, a subclass does not match.
  bool isMemberOfClass(const Class* cls) const { return cls != nullptr && &objectClass() == cls; }
};

using Id = std::shared_ptr<Object>;

struct Selector {
  std::string_view name;
  friend bool operator==(Selector, Selector) = default;
};

// A class object. Class methods live in its metaclass, reached with object_getClass.
class Class : public Object {
 public:
  virtual std::string_view name() const = 0;
  virtual Class* superclass() const = 0;
  virtual bool isMetaclass() const = 0;
};

// NSException and its subclasses: what the platform raises for a message it cannot
// handle, an out-of-range argument or an invalid layer. Escaping into the shell, it
// would crash the shell.
class PlatformException : public std::runtime_error {
 public:
  PlatformException(std::string name, const std::string& reason)
      : std::runtime_error(reason), name_(std::move(name)) {}
  const std::string& name() const { return name_; }
  // The exception's class: NSException, unless the platform raised one of its subclasses.
  virtual std::string className() const { return "NSException"; }

 private:
  std::string name_;
};

// A step of the add-on that expects the platform to raise and catches PlatformException
// itself (a message an older system lacks, or a call with no code of the shell's above it to
// catch). Outside such a step the add-on catches no platform exception: a raise passes through
// it, unwinding its frames, back to the shell as it was, possibly in a form no handler of the
// add-on's would match. That lets an implementation turn the platform's own exceptions into
// PlatformException only inside a step, rather than at every message.
class ExpectPlatformException {
 public:
  ExpectPlatformException() noexcept : ExpectPlatformException(true) {}
  ~ExpectPlatformException() {
    if (restores_) expected_ = outer_;
    if (counted_) stepsOpen_.fetch_sub(1, std::memory_order_relaxed);
  }
  ExpectPlatformException(const ExpectPlatformException&) = delete;
  ExpectPlatformException& operator=(const ExpectPlatformException&) = delete;

  // A thread with a step open sees its own count, so the shared count, one plain load, answers
  // alone for the common case of no step anywhere.
  static bool active() noexcept {
    return stepsOpen_.load(std::memory_order_relaxed) != 0 && expected_;
  }

  // Where the platform calls into the add-on: the new call expects nothing, whatever step of
  // an outer call it interrupts, until it marks a step of its own.
  [[nodiscard]] static ExpectPlatformException nothingInNewCall() noexcept {
    return ExpectPlatformException(false);
  }

 private:
  explicit ExpectPlatformException(bool expected) noexcept
      : counted_(expected), restores_(expected || active()) {
    if (counted_) stepsOpen_.fetch_add(1, std::memory_order_relaxed);
    if (!restores_) return;
    outer_ = expected_;
    expected_ = expected;
  }

  bool counted_;
  bool restores_;
  bool outer_ = false;
  // Each thread's own: the platform may call the add-on on any thread, and a step on one
  // expects nothing of the messages another sends meanwhile.
  static inline constinit thread_local bool expected_ = false;
  // Steps open on every thread, so that the thread's own flag is read only when one may be.
  // Relaxed: it orders nothing else.
  static inline constinit std::atomic<int> stepsOpen_{0};
};

}  // namespace host
