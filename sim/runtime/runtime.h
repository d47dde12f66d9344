// The simulated class runtime and hook engine, with typed message dispatch through the
// classes' method tables.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/runtime.h"
#include "sim/record.h"
#include "sim/runtime/class.h"

namespace sim {

// The classes of one simulated process. A class that was never defined is absent, which is
// how a system version lacking an optional class is modelled. Every hook and method
// addition is written to the record under "hook".
class Runtime final : public host::Runtime {
 public:
  explicit Runtime(Record& record) : record_(record) {}

  // Makes a class and its metaclass. ClassType (SimClass by default, or a class derived from
  // ClassImpl<TypedClassInterface>) is constructed from a ClassSetup followed by args. The
  // superclass must be a class (not a metaclass) of this runtime; a name may be defined once.
  template <class ClassType = SimClass, class... Args>
  ClassType& defineClass(std::string_view name, host::Class* superclass, Args&&... args) {
    auto cls =
        std::make_unique<ClassType>(prepareClass(name, superclass), std::forward<Args>(args)...);
    ClassType& made = *cls;
    adopt(std::move(cls), made);
    return made;
  }

  // The class of that name, or none.
  host::Class* findClass(std::string_view name) const;

  // Gives a class (or, through host::metaclassOf, a metaclass) its own implementation of a
  // method, as the platform's own code does; not recorded.
  void defineMethod(host::Class& cls, host::Selector selector, host::Imp imp,
                    std::string_view types = "");
  template <class Method>
  void defineMethod(host::Class& cls, typename Method::Imp imp) {
    defineMethod(cls, Method::selector, reinterpret_cast<host::Imp>(imp), typesOf<Method>());
  }

  // What the add-on's lookups by name answer: none for a hidden class.
  host::Class* getClass(std::string_view name) override;
  bool classExists(std::string_view name) override { return getClass(name) != nullptr; }
  // Hides a class from the add-on's lookups by name, as in a process that lacks it or before
  // its framework has loaded; objects already made, and the simulation's own lookups, keep
  // working. Revealing it is the framework's loading.
  void hideClass(std::string_view name) { hidden_.emplace(name); }
  void revealClass(std::string_view name) { hidden_.erase(std::string(name)); }
  // previous may be null, as MSHookMessageEx allows.
  host::HookOutcome hookMessage(host::Class* cls, host::Selector selector, host::Imp replacement,
                                host::Imp* previous) override;
  bool addMethod(host::Class* cls, host::Selector selector, host::Imp imp,
                 std::string_view types) override;

  // Sends Method to self (an object reference, a shared pointer to one, or a class object
  // for a class method), with the receiver type Method::Imp takes: the implementation is looked up
  // in the receiver's class chain at every call, so a replacement intercepts it. Sending to a null
  // pointer does nothing and yields a value-initialised result, as messaging nil does. An unknown
  // selector raises NSInvalidArgumentException.
  template <class Method, class Self, class... Args>
  auto send(Self&& self, Args&&... args) {
    using Imp = typename Method::Imp;
    using Result = std::invoke_result_t<Imp, Self, host::Selector, Args...>;
    const host::Object* receiver = receiverOf(self);
    if (!receiver) return Result();
    host::Imp imp = implementationFor(*receiver, Method::selector);
    return reinterpret_cast<Imp>(imp)(std::forward<Self>(self), Method::selector,
                                      std::forward<Args>(args)...);
  }

  // Whether the receiver's class chain has the selector (a method the simulation models
  // outside the method tables is listed there with defineModelledMethod).
  bool respondsToSelector(const host::Object& receiver, host::Selector selector) const override;
  bool instancesRespondToSelector(const host::Class& cls, host::Selector selector) const override;
  // A method the simulation carries out in C++ rather than through the table, listed in the
  // class's table so that the class answers for it as the platform's does; its C++ code calls
  // requireMethod first, so that a system without it raises as the platform would.
  void defineModelledMethod(host::Class& cls, host::Selector selector);
  // Takes the class's own method away, as on a system without it; false when the class has no
  // method of its own by that name.
  bool removeMethod(host::Class& cls, host::Selector selector);

  // Sends a method without arguments or result whose type encoding is "v@:" (what a timer
  // does when it fires). A null target does nothing; a target without the method raises
  // NSInvalidArgumentException; a method of another encoding is refused (not modelled).
  void sendVoid(const host::Id& target, host::Selector selector) const;

  // The implementation the receiver's class chain has for the selector; raises
  // NSInvalidArgumentException ("unrecognized selector") when there is none.
  host::Imp implementationFor(const host::Object& receiver, host::Selector selector) const;

 private:
  template <class Method>
  static constexpr std::string_view typesOf() {
    if constexpr (requires { Method::types; })
      return Method::types;
    else
      return "";
  }
  static const host::Object* receiverOf(const host::Object& object) { return &object; }
  template <class T>
  static const host::Object* receiverOf(const std::shared_ptr<T>& object) {
    return object.get();
  }

  ClassSetup prepareClass(std::string_view name, host::Class* superclass);
  void adopt(std::unique_ptr<ClassState> state, host::Class& cls);
  ClassState& stateOf(host::Class* cls) const;

  Record& record_;
  std::vector<std::unique_ptr<ClassState>> owned_;  // classes and metaclasses
  std::map<std::string, host::Class*, std::less<>> byName_;
  std::set<std::string, std::less<>> hidden_;
};

// Raises NSInvalidArgumentException ("unrecognized selector") when the receiver's class chain
// lacks the selector: for the methods modelled outside the tables.
void requireMethod(const host::Object& receiver, host::Selector selector);
// The same for a message to a new instance of the class (alloc, then an initialiser).
void requireInstanceMethod(const host::Class& cls, host::Selector selector);

// "-[Class selector]" for an instance method, "+[Class selector]" for a class method.
std::string methodDescription(const host::Class& cls, host::Selector selector);
facts::Method methodFact(const host::Class& cls, host::Selector selector);

}  // namespace sim
