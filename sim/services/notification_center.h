// The Darwin notification center: observers by name, posts delivered later on the run loop.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "host/services.h"
#include "sim/record.h"
#include "sim/services/run_loop.h"

namespace sim {

// One CFNotificationCenterAddObserver call.
struct ObserverRegistration {
  const void* observer;
  host::NotificationCallback callback;
  std::string name;
  host::SuspensionBehavior behavior;
};

// The Darwin notify center. Each addObserver call is its own registration, called in
// registration order. The shell is never suspended, so every behaviour delivers. A post is
// delivered by the run loop (the next runUntilIdle or advance); posts of a name whose delivery
// is still pending coalesce into that one delivery, as notifyd does. Callbacks receive this
// center, their observer, the name, no object and no user information. Records "observer"
// ("registered <name> (<behaviour>)") and "notification" ("posted <name>", "posted <name>
// (coalesced)", "delivered <name> to <n> observers") entries.
class DarwinNotificationCenter final : public host::NotificationCenter {
 public:
  DarwinNotificationCenter(Record& record, RunLoop& runLoop) : record_(record), runLoop_(runLoop) {}

  // A null name (observe everything) is not modelled for the Darwin center and throws; a
  // null callback is refused the same way. The object is ignored, as Darwin notifications
  // carry none.
  void addObserver(const void* observer, host::NotificationCallback callback, const char* name,
                   const void* object, host::SuspensionBehavior behavior) override;

  // notify_post: queues a delivery on the run loop at the current time.
  void post(const std::string& name);

  const std::vector<ObserverRegistration>& registrations() const { return registrations_; }
  // Forgets the posts not delivered yet (their run loop events go with the run loop's reset);
  // the observers stay registered.
  void dropPending() { pending_.clear(); }
  // The observers registered for a name.
  std::size_t observerCount(std::string_view name) const;

 private:
  void deliver(const std::string& name);

  Record& record_;
  RunLoop& runLoop_;
  std::vector<ObserverRegistration> registrations_;
  std::set<std::string, std::less<>> pending_;
};

}  // namespace sim
