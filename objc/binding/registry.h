// One host object per Objective-C object: found again while anyone holds it, retained once
// for as long as anyone does.
#pragma once

#include <objc/objc.h>

#include <memory>

#include "host/cross_cast.h"
#include "host/object.h"

namespace nimbrel::objc {

// What every host object of the binding is besides its host interface: the Objective-C
// object it stands for.
class Handle {
 public:
  explicit Handle(id object) : object_(object) {}
  virtual ~Handle() = default;
  id object() const { return object_; }

 private:
  id object_;
};

// The host object of `object` (none for nil). While any holder keeps a host object, the
// binding holds one retain of its Objective-C object; the last holder letting go releases it.
std::shared_ptr<host::Object> wrap(id object);

// The host object as T, or none when `object` is nil or its host type is not a T.
template <class T>
std::shared_ptr<T> wrapAs(id object) {
  std::shared_ptr<host::Object> held = wrap(object);
  T* typed = held ? host::crossCast<T>(*held) : nullptr;
  return typed ? std::shared_ptr<T>(std::move(held), typed) : nullptr;
}

// The Objective-C object behind a host object; nil for none or for a foreign object.
id unwrap(const host::Object* object);
template <class T>
id unwrap(const std::shared_ptr<T>& object) {
  return unwrap(object.get());
}

// The host class of an Objective-C class or metaclass; classes live as long as the process.
host::Class* classBinding(Class cls);
Class classOf(const host::Class* cls);

// Host objects made so far: a replaced method in steady state makes none.
std::size_t hostObjectsMade();
// Host objects the table keeps now, held or dormant: dormant ones are swept as it grows.
std::size_t hostObjectsKept();

}  // namespace nimbrel::objc
