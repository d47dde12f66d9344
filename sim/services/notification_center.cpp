// The Darwin notification center: observers by name, posts delivered later on the run loop.
#include "sim/services/notification_center.h"

#include <algorithm>
#include <stdexcept>

namespace sim {

void DarwinNotificationCenter::addObserver(const void* observer,
                                           host::NotificationCallback callback, const char* name,
                                           const void*, host::SuspensionBehavior behavior) {
  if (!name)
    throw std::invalid_argument("not modelled: observing every Darwin notification (no name)");
  if (!callback) throw std::invalid_argument("not modelled: a Darwin observer without a callback");
  registrations_.push_back({observer, callback, name, behavior});
  record_.add([&] { return facts::ObserverRegistered{name, static_cast<int>(behavior)}; });
}

void DarwinNotificationCenter::post(const std::string& name) {
  if (!pending_.insert(name).second) {
    record_.add([&] { return facts::NotificationPosted{name, true}; });
    return;
  }
  record_.add([&] { return facts::NotificationPosted{name}; });
  runLoop_.post(
      runLoop_.seconds(), [this, name] { deliver(name); }, "deliver " + name);
}

std::size_t DarwinNotificationCenter::observerCount(std::string_view name) const {
  return static_cast<std::size_t>(std::count_if(registrations_.begin(), registrations_.end(),
                                                [&](const auto& r) { return r.name == name; }));
}

// Observers added by a callback take part from the next delivery on.
void DarwinNotificationCenter::deliver(const std::string& name) {
  pending_.erase(name);
  std::vector<ObserverRegistration> matching;
  for (const auto& registration : registrations_)
    if (registration.name == name) matching.push_back(registration);
  record_.add([&] { return facts::NotificationDelivered{name, matching.size()}; });
  for (const auto& registration : matching)
    registration.callback(this, const_cast<void*>(registration.observer), name.c_str(), nullptr,
                          nullptr);
}

}  // namespace sim
