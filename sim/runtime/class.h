// Class objects of the simulated runtime: name, superclass, metaclass and own method table.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "host/object.h"
#include "host/runtime.h"

namespace sim {

// One entry of a method table: the type-erased implementation and its type encoding.
// The encoding "v@:" is reserved for implementations of type host::methods::TickTock::Imp,
// the one signature Runtime::sendVoid may call blind.
struct MethodEntry {
  host::Imp imp = nullptr;
  std::string types;
};

// What the runtime hands a class object when it makes it.
struct ClassSetup {
  std::string name;
  host::Class* superclass = nullptr;
  host::Class* metaclass = nullptr;  // for a metaclass: the root metaclass (objc's isa)
  bool isMetaclass = false;
};

// The runtime's view of any class object, whatever typed interface (host::Class,
// host::WeatherBackgroundClass, ...) it also offers. Reached from a host::Class* with
// classState().
class ClassState {
 public:
  explicit ClassState(ClassSetup setup) : setup_(std::move(setup)) {}
  virtual ~ClassState() = default;
  ClassState(const ClassState&) = delete;
  ClassState& operator=(const ClassState&) = delete;

  const std::string& className() const { return setup_.name; }
  host::Class* superclassObject() const { return setup_.superclass; }
  // The class of this class object: the metaclass for a class, the root metaclass for a
  // metaclass.
  host::Class& isa() const { return *setup_.metaclass; }
  bool metaclass() const { return setup_.isMetaclass; }

  // The method the class itself defines, or none.
  const MethodEntry* ownMethod(std::string_view selector) const;
  // The method found first walking from this class up its superclasses, or none.
  const MethodEntry* findMethod(std::string_view selector) const;
  // Sets the class's own method, replacing an own method of that selector.
  void setOwnMethod(std::string_view selector, MethodEntry entry);
  bool removeOwnMethod(std::string_view selector);

 private:
  friend class Runtime;
  void setIsa(host::Class* cls) { setup_.metaclass = cls; }

  ClassSetup setup_;
  std::map<std::string, MethodEntry, std::less<>> methods_;
};

// The class state of a class object made by a sim::Runtime, or none for any other.
ClassState* classState(const host::Class* cls);

// A class object offering the typed interface ClassInterface (host::Class or one of its
// typed refinements). Typed class objects derive from it and add their class methods.
template <class ClassInterface>
class ClassImpl : public ClassInterface, public ClassState {
 public:
  explicit ClassImpl(ClassSetup setup) : ClassState(std::move(setup)) {}

  std::string_view name() const override { return className(); }
  host::Class* superclass() const override { return superclassObject(); }
  bool isMetaclass() const override { return metaclass(); }
  host::Class& objectClass() const override { return isa(); }
};

// A class object with no class methods of its own beyond its method table.
class SimClass final : public ClassImpl<host::Class> {
 public:
  using ClassImpl::ClassImpl;
};

// isKindOfClass:: the object's class is cls or one of its subclasses.
bool isKindOfClass(const host::Object& object, const host::Class& cls);
// The class is cls or a subclass of it.
bool isSubclassOf(const host::Class& candidate, const host::Class& cls);

}  // namespace sim
