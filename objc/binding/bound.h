// The shape every host object of the binding shares: a host interface implemented by
// messages to the Objective-C object it stands for.
#pragma once

#include <objc/runtime.h>

#include <atomic>

#include "objc/binding/registry.h"
#include "objc/runtime/foundation.h"
#include "objc/runtime/message.h"

namespace nimbrel::objc {

template <class Interface>
class Bound : public Interface, public Handle {
 public:
  explicit Bound(id object) : Handle(object) {}
  // The class's host class is remembered, since the add-on asks at every walk of subviews;
  // the object's class is read afresh each time, as it may change (isa swizzling).
  host::Class& objectClass() const override {
    Class cls = object_getClass(object());
    const KnownClass* known = known_.load(std::memory_order_acquire);
    if (!known || known->cls != cls) [[unlikely]] {
      known = &knownClass(cls);
      known_.store(known, std::memory_order_release);
    }
    return *known->binding;
  }

 protected:
  id self() const { return object(); }

 private:
  // One pointer, so that threads asking at once each read a class and its binding together.
  mutable std::atomic<const KnownClass*> known_{nullptr};
};

// A class: its name, superclass and metaclass come from the runtime.
template <class Interface>
class BoundClass : public Bound<Interface> {
 public:
  explicit BoundClass(Class cls) : Bound<Interface>(reinterpret_cast<id>(cls)) {}
  std::string_view name() const override { return class_getName(runtimeClass()); }
  host::Class* superclass() const override {
    Class super = class_getSuperclass(runtimeClass());
    return super ? classBinding(super) : nullptr;
  }
  bool isMetaclass() const override { return class_isMetaClass(runtimeClass()); }

 protected:
  Class runtimeClass() const { return reinterpret_cast<Class>(this->object()); }
};

// Lets go of what alloc made when its initialiser raised. An initialiser that raises may have
// released it first, as one that fails does, or not: `allocated` still holds the caller's own
// retain, so it is alive to ask.
void abandonAllocated(id allocated);

// `initialize(allocated)`, whose result is the new object's one reference. The allocated
// object is retained across the initialiser, so that it is freed whether or not a raising
// initialiser released it.
template <class Init>
Owned initialized(id allocated, Init&& initialize) {
  if (!allocated) return Owned();
  retain(allocated);
  id made = nullptr;
  try {
    made = initialize(allocated);
  } catch (...) {
    abandonAllocated(allocated);
    throw;
  }
  release(allocated);
  return Owned(made);
}

// alloc, then an initialiser: the new object's one reference passes to its host object.
template <class T, class... Args>
std::shared_ptr<T> makeInstance(id cls, SEL initializer, Args... args) {
  return as<T>(adopt(initialized(send<id>(cls, sel<"alloc">()), [&](id allocated) {
    return send<id>(allocated, initializer, args...);
  })));
}

}  // namespace nimbrel::objc
