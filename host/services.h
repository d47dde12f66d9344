// The operating-system services the system uses: process, preferences, property-list files,
// notifications, notify state, alerts, timers, clock, random numbers and the system log.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/object.h"
#include "host/value.h"

namespace host {

// NSProcessInfo and NSHomeDirectory.
class ProcessInfo {
 public:
  virtual ~ProcessInfo() = default;
  // Launch arguments; element 0 is the executable path.
  virtual std::vector<std::string> arguments() const = 0;
  virtual std::string homeDirectory() const = 0;
};

// CFPreferences for the current user and any host.
class Preferences {
 public:
  virtual ~Preferences() = default;
  // CFPreferencesCopyKeyList: none, never an empty list, when the domain has no keys.
  virtual std::optional<Array> copyKeyList(std::string_view domain) = 0;
  // CFPreferencesCopyMultiple: only the keys that have values; none when asked with no keys.
  virtual std::optional<Dictionary> copyMultiple(const Array* keys, std::string_view domain) = 0;
};

// NSDictionary dictionaryWithContentsOfFile: and writeToFile:atomically:.
class PropertyListFiles {
 public:
  virtual ~PropertyListFiles() = default;
  // None for a missing, unreadable or malformed file, or one whose root is not a dictionary.
  virtual std::optional<Dictionary> dictionaryWithContentsOfFile(std::string_view path) = 0;
  // Writes XML; atomically through a temporary file in the same folder, then a rename.
  virtual bool writeToFile(const Dictionary& dictionary, std::string_view path,
                           bool atomically) = 0;
};

class NotificationCenter;

// CFNotificationCallback: center, observer, name, object, user information.
using NotificationCallback = void (*)(NotificationCenter* center, void* observer, const char* name,
                                      const void* object, const Dictionary* userInfo);

enum class SuspensionBehavior {
  drop = 1,
  coalesce = 2,
  hold = 3,
  deliverImmediately = 4,
};

// The Darwin notification center. Observers are never removed by the system.
class NotificationCenter {
 public:
  virtual ~NotificationCenter() = default;
  virtual void addObserver(const void* observer, NotificationCallback callback, const char* name,
                           const void* object, SuspensionBehavior behavior) = 0;
};

// notify(3) status codes.
namespace notify {
constexpr std::uint32_t ok = 0;
constexpr std::uint32_t invalidName = 1;
constexpr std::uint32_t invalidToken = 2;
constexpr std::uint32_t invalidPort = 3;
constexpr std::uint32_t invalidFile = 4;
constexpr std::uint32_t invalidSignal = 5;
constexpr std::uint32_t invalidRequest = 6;
constexpr std::uint32_t notAuthorized = 7;
constexpr std::uint32_t optDisable = 8;
constexpr std::uint32_t serverNotFound = 9;
constexpr std::uint32_t nullInput = 10;
constexpr std::uint32_t failed = 1000000;
constexpr int tokenInvalid = -1;
}  // namespace notify

// notify_register_check, notify_get_state, notify_cancel.
class NotifyState {
 public:
  virtual ~NotifyState() = default;
  virtual std::uint32_t registerCheck(const char* name, int* token) = 0;
  // Leaves *state untouched unless the status is ok.
  virtual std::uint32_t getState(int token, std::uint64_t* state) = 0;
  virtual std::uint32_t cancel(int token) = 0;
};

// UIAlertView. The alert holds its delegate weakly.
class AlertView : public Object {
 public:
  virtual long tag() const = 0;
  virtual void setTag(long tag) = 0;
  virtual void show() = 0;
};

class Alerts {
 public:
  virtual ~Alerts() = default;
  // initWithTitle:message:delegate:cancelButtonTitle:otherButtonTitles:
  virtual std::shared_ptr<AlertView> makeAlert(const std::string& title, const std::string& message,
                                               const Id& delegate,
                                               std::optional<std::string> cancelButtonTitle,
                                               std::vector<std::string> otherButtonTitles) = 0;
};

// NSTimer. A scheduled timer is held by the run loop until invalidated; it holds its target.
class Timer : public Object {
 public:
  virtual void invalidate() = 0;
  virtual bool isValid() const = 0;
  virtual double timeInterval() const = 0;
};

class RunLoop {
 public:
  virtual ~RunLoop() = default;
  // scheduledTimerWithTimeInterval:target:selector:userInfo:repeats: on the current run
  // loop. An interval of 0 or less becomes 0.0001 seconds.
  virtual std::shared_ptr<Timer> scheduledTimer(double interval, const Id& target,
                                                Selector selector, const Id& userInfo,
                                                bool repeats) = 0;
};

// NSLog: a line in the system log, where a user reads what went wrong.
class SystemLog {
 public:
  virtual ~SystemLog() = default;
  virtual void write(std::string_view line) = 0;
};

// NSDate date.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual Date now() const = 0;
};

// arc4random_uniform: 0 for an upper bound below 2, otherwise uniform below it.
class Random {
 public:
  virtual ~Random() = default;
  virtual std::uint32_t uniform(std::uint32_t upperBound) = 0;
};

}  // namespace host
