// The class runtime and the hook engine: classes by name, method addition and replacement.
#pragma once

#include <string_view>

#include "host/object.h"

namespace host {

// An implementation with its type erased; host/methods.h gives each one its real type.
using Imp = void (*)();

enum class HookOutcome {
  replaced,           // the class's own method was replaced; previous is its implementation
  overrodeInherited,  // the method was inherited; the class now has its own, previous is the
                      // superclass's
  noSuchMethod,  // neither the class nor a superclass has it; nothing changed, previous untouched
  noSuchClass,   // the class was none; nothing changed, previous untouched
  // Only where replacements go in through typed trampolines (the Objective-C binding); nothing
  // changed, previous untouched:
  typeMismatch,      // the method's type encoding is not the one its trampoline has
  noFreeTrampoline,  // every trampoline of that signature is taken
};

class Runtime {
 public:
  virtual ~Runtime() = default;
  // objc_getClass: none when the process has no class of that name.
  virtual Class* getClass(std::string_view name) = 0;
  // NSClassFromString, used only as a presence test.
  virtual bool classExists(std::string_view name) = 0;
  // MSHookMessageEx: installs the replacement and stores the implementation it replaces in
  // *previous (when not null) before the replacement goes live, so that a call in between on
  // another thread finds it.
  virtual HookOutcome hookMessage(Class* cls, Selector selector, Imp replacement,
                                  Imp* previous) = 0;
  // class_addMethod: false, leaving the existing method in place, when the class already
  // has its own method of that selector; false for no class.
  virtual bool addMethod(Class* cls, Selector selector, Imp imp, std::string_view types) = 0;
  // respondsToSelector: sent to the object: whether its class chain has that method.
  virtual bool respondsToSelector(const Object& receiver, Selector selector) const = 0;
  // +instancesRespondToSelector: sent to the class.
  virtual bool instancesRespondToSelector(const Class& cls, Selector selector) const = 0;
};

// object_getClass applied to a class object: its metaclass, which holds the class methods.
inline Class* metaclassOf(Class* cls) { return cls ? &cls->objectClass() : nullptr; }

}  // namespace host
