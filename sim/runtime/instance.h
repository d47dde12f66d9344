// The base of every simulated object: it remembers the runtime class it was made from, and is
// counted while it lives.
#pragma once

#include <type_traits>

#include "host/object.h"
#include "host/services.h"
#include "host/views.h"
#include "host/weather.h"

namespace sim {

// What a long run watches for growth.
enum class ObjectKind { view, city, timer, alert, other };

// Simulated objects alive now, across every process.
struct LiveObjects {
  long views = 0;
  long cities = 0;
  long timers = 0;
  long alerts = 0;
  long others = 0;
  friend bool operator==(const LiveObjects&, const LiveObjects&) = default;
};
LiveObjects liveObjects();

namespace detail {
void countLive(ObjectKind kind, long delta);

template <class Interface>
constexpr ObjectKind kindOf() {
  if constexpr (std::is_base_of_v<host::View, Interface>) return ObjectKind::view;
  if constexpr (std::is_base_of_v<host::City, Interface>) return ObjectKind::city;
  if constexpr (std::is_base_of_v<host::Timer, Interface>) return ObjectKind::timer;
  if constexpr (std::is_base_of_v<host::AlertView, Interface>) return ObjectKind::alert;
  return ObjectKind::other;
}
}  // namespace detail

// Derive a simulated object from Instance<host::Something>: it answers objectClass() with
// the class given at construction, so isMemberOfClass: and message dispatch work on it.
// The class object must outlive the instance (classes live as long as their Runtime).
template <class Interface>
class Instance : public Interface {
 public:
  explicit Instance(host::Class& cls) : class_(&cls) { detail::countLive(kind, 1); }
  Instance(const Instance& other) : Interface(other), class_(other.class_) {
    detail::countLive(kind, 1);
  }
  Instance& operator=(const Instance&) = default;
  ~Instance() override { detail::countLive(kind, -1); }
  host::Class& objectClass() const override { return *class_; }

 private:
  static constexpr ObjectKind kind = detail::kindOf<Interface>();
  host::Class* class_;
};

}  // namespace sim
