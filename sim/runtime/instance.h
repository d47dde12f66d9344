// The base of every simulated object: it remembers the runtime class it was made from.
#pragma once

#include "host/object.h"

namespace sim {

// Derive a simulated object from Instance<host::Something>: it answers objectClass() with
// the class given at construction, so isMemberOfClass: and message dispatch work on it.
// The class object must outlive the instance (classes live as long as their Runtime).
template <class Interface>
class Instance : public Interface {
 public:
  explicit Instance(host::Class& cls) : class_(&cls) {}
  host::Class& objectClass() const override { return *class_; }

 private:
  host::Class* class_;
};

}  // namespace sim
