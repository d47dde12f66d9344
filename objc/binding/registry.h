// One host object per Objective-C object: found again while anyone holds it, retained once
// for as long as anyone does. Any thread may call in; each thread's calls borrow for
// themselves.
#pragma once

#include <objc/objc.h>

#include <memory>

#include "host/cross_cast.h"
#include "host/object.h"
#include "objc/runtime/foundation.h"

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
// The same for the receiver or an argument of a call from the platform, inside its CallScope:
// the caller keeps those alive for the call, so the object is borrowed, and retained only if
// a holder keeps it when the call ends. Outside any call, the same as wrap.
std::shared_ptr<host::Object> borrow(id object);
// The host object of an object whose one reference the caller owns (alloc/init): the
// reference passes to the binding's holding session, none for nil.
std::shared_ptr<host::Object> adopt(Owned made);

// One call from the platform into the add-on, on the thread it came in on: of the objects it
// borrowed, those a holder keeps when it ends are retained then; the rest never were. Calls
// nest; a step of an outer call that expects the platform to raise does not reach into a
// nested one.
class CallScope {
 public:
  CallScope();
  ~CallScope();
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

 private:
  std::size_t firstBorrowed_ = 0;
  host::ExpectPlatformException expected_ = host::ExpectPlatformException::nothingInNewCall();
};

// A host object as T, or none when it is none or its host type is not a T.
template <class T>
std::shared_ptr<T> as(std::shared_ptr<host::Object> held) {
  T* typed = held ? host::crossCast<T>(*held) : nullptr;
  return typed ? std::shared_ptr<T>(std::move(held), typed) : nullptr;
}

template <class T>
std::shared_ptr<T> wrapAs(id object) {
  return as<T>(wrap(object));
}

template <class T>
std::shared_ptr<T> borrowAs(id object) {
  return as<T>(borrow(object));
}

// The Objective-C object behind a host object; nil for none or for a foreign object. Inline:
// every message with an object argument asks.
inline id unwrap(const host::Object* object) {
  if (!object) return nullptr;
  const Handle* handle = host::crossCast<Handle>(const_cast<host::Object&>(*object));
  return handle ? handle->object() : nullptr;
}
template <class T>
id unwrap(const std::shared_ptr<T>& object) {
  return unwrap(object.get());
}

// A class and its host class, paired once for the life of the process.
struct KnownClass {
  Class cls;
  std::unique_ptr<host::Class> binding;
};
// Of a class or metaclass that is not nil.
const KnownClass& knownClass(Class cls);

// The host class of an Objective-C class or metaclass; classes live as long as the process.
host::Class* classBinding(Class cls);
Class classOf(const host::Class* cls);

// Host objects made so far: a replaced method in steady state makes none.
std::size_t hostObjectsMade();
// Host objects the table keeps now, held or dormant: dormant ones are swept as it grows.
std::size_t hostObjectsKept();

}  // namespace nimbrel::objc
