// The shape every host object of the binding shares: a host interface implemented by
// messages to the Objective-C object it stands for.
#pragma once

#include <objc/runtime.h>

#include "objc/binding/registry.h"
#include "objc/runtime/foundation.h"
#include "objc/runtime/message.h"

namespace nimbrel::objc {

template <class Interface>
class Bound : public Interface, public Handle {
 public:
  explicit Bound(id object) : Handle(object) {}
  host::Class& objectClass() const override { return *classBinding(object_getClass(object())); }

 protected:
  id self() const { return object(); }
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

// alloc, then an initialiser: the new object's one reference passes to its host object.
template <class T, class... Args>
std::shared_ptr<T> makeInstance(id cls, SEL initializer, Args... args) {
  return as<T>(adopt(Owned(send<id>(send<id>(cls, sel<"alloc">()), initializer, args...))));
}

}  // namespace nimbrel::objc
