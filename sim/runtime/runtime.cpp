// Class definition, the hook engine's outcomes and message look-up.
#include "sim/runtime/runtime.h"

#include <stdexcept>

namespace sim {

facts::Method methodFact(const host::Class& cls, host::Selector selector) {
  return {std::string(cls.name()), std::string(selector.name), cls.isMetaclass()};
}

std::string methodDescription(const host::Class& cls, host::Selector selector) {
  return facts::describe(methodFact(cls, selector));
}

host::Class* Runtime::findClass(std::string_view name) const {
  auto found = byName_.find(name);
  return found == byName_.end() ? nullptr : found->second;
}

host::Class* Runtime::getClass(std::string_view name) {
  return hidden_.contains(name) ? nullptr : findClass(name);
}

ClassSetup Runtime::prepareClass(std::string_view name, host::Class* superclass) {
  if (name.empty()) throw std::invalid_argument("a class needs a name");
  if (findClass(name))
    throw std::invalid_argument("class " + std::string(name) + " is already defined");
  if (superclass && (!classState(superclass) || superclass->isMetaclass()))
    throw std::invalid_argument("the superclass of " + std::string(name) +
                                " is not a class of this runtime");

  // The metaclass chain parallels the class chain; every metaclass's own class is the root
  // metaclass, which is its own class.
  host::Class* superMeta = superclass ? &superclass->objectClass() : nullptr;
  auto meta = std::make_unique<SimClass>(ClassSetup{std::string(name), superMeta, nullptr, true});
  meta->setIsa(superMeta ? &superMeta->objectClass() : meta.get());
  host::Class* metaclass = meta.get();
  owned_.push_back(std::move(meta));
  return ClassSetup{std::string(name), superclass, metaclass, false};
}

void Runtime::adopt(std::unique_ptr<ClassState> state, host::Class& cls) {
  owned_.push_back(std::move(state));
  byName_.emplace(std::string(cls.name()), &cls);
}

ClassState& Runtime::stateOf(host::Class* cls) const {
  ClassState* state = classState(cls);
  if (!state) throw std::logic_error("not modelled: a class object from outside the runtime");
  return *state;
}

void Runtime::defineMethod(host::Class& cls, host::Selector selector, host::Imp imp,
                           std::string_view types) {
  if (!imp) throw std::invalid_argument("defineMethod needs an implementation");
  stateOf(&cls).setOwnMethod(selector.name, {imp, std::string(types)});
}

host::HookOutcome Runtime::hookMessage(host::Class* cls, host::Selector selector,
                                       host::Imp replacement, host::Imp* previous) {
  if (!cls) {
    record_.add([&] { return facts::HookFoundNoClass{std::string(selector.name)}; });
    return host::HookOutcome::noSuchClass;
  }
  if (!replacement) throw std::invalid_argument("not modelled: hooking with no replacement");
  ClassState& state = stateOf(cls);
  auto hooked = [&](facts::HookResult result) {
    return [&, result] { return facts::MethodHooked{result, methodFact(*cls, selector)}; };
  };

  if (const MethodEntry* own = state.ownMethod(selector.name)) {
    if (previous) *previous = own->imp;
    state.setOwnMethod(selector.name, {replacement, own->types});
    record_.add(hooked(facts::HookResult::replaced));
    return host::HookOutcome::replaced;
  }
  if (const MethodEntry* inherited = state.findMethod(selector.name)) {
    if (previous) *previous = inherited->imp;
    state.setOwnMethod(selector.name, {replacement, inherited->types});
    record_.add(hooked(facts::HookResult::overrodeInherited));
    return host::HookOutcome::overrodeInherited;
  }
  record_.add(hooked(facts::HookResult::noMethod));
  return host::HookOutcome::noSuchMethod;
}

bool Runtime::addMethod(host::Class* cls, host::Selector selector, host::Imp imp,
                        std::string_view types) {
  if (!cls) {
    record_.add([&] { return facts::HookFoundNoClass{std::string(selector.name), true}; });
    return false;
  }
  if (!imp) throw std::invalid_argument("not modelled: adding a method with no implementation");
  ClassState& state = stateOf(cls);
  auto hooked = [&](facts::HookResult result) {
    return [&, result] { return facts::MethodHooked{result, methodFact(*cls, selector)}; };
  };
  if (state.ownMethod(selector.name)) {
    record_.add(hooked(facts::HookResult::keptExisting));
    return false;
  }
  state.setOwnMethod(selector.name, {imp, std::string(types)});
  record_.add(hooked(facts::HookResult::added));
  return true;
}

namespace {

[[noreturn]] void unrecognizedSelector(const host::Class& cls, host::Selector selector) {
  throw host::PlatformException("NSInvalidArgumentException",
                                methodDescription(cls, selector) +
                                    ": unrecognized selector sent to " +
                                    (cls.isMetaclass() ? "class" : "instance"));
}

}  // namespace

host::Imp Runtime::implementationFor(const host::Object& receiver, host::Selector selector) const {
  host::Class& cls = receiver.objectClass();
  if (const MethodEntry* entry = stateOf(&cls).findMethod(selector.name)) return entry->imp;
  unrecognizedSelector(cls, selector);
}

bool Runtime::respondsToSelector(const host::Object& receiver, host::Selector selector) const {
  return stateOf(&receiver.objectClass()).findMethod(selector.name) != nullptr;
}

bool Runtime::instancesRespondToSelector(const host::Class& cls, host::Selector selector) const {
  const ClassState* state = classState(&cls);
  return state && state->findMethod(selector.name) != nullptr;
}

namespace {

void sentThroughTable() {
  throw std::logic_error(
      "not modelled: a method the simulation carries out in C++ was sent "
      "through its class's method table");
}

}  // namespace

void Runtime::defineModelledMethod(host::Class& cls, host::Selector selector) {
  defineMethod(cls, selector, &sentThroughTable);
}

bool Runtime::removeMethod(host::Class& cls, host::Selector selector) {
  return stateOf(&cls).removeOwnMethod(selector.name);
}

void requireMethod(const host::Object& receiver, host::Selector selector) {
  requireInstanceMethod(receiver.objectClass(), selector);
}

void requireInstanceMethod(const host::Class& cls, host::Selector selector) {
  const ClassState* state = classState(&cls);
  if (state && !state->findMethod(selector.name)) unrecognizedSelector(cls, selector);
}

void Runtime::sendVoid(const host::Id& target, host::Selector selector) const {
  if (!target) return;
  host::Class& cls = target->objectClass();
  const MethodEntry* entry = stateOf(&cls).findMethod(selector.name);
  if (!entry) unrecognizedSelector(cls, selector);
  if (entry->types != "v@:")
    throw std::logic_error("not modelled: sending " + methodDescription(cls, selector) +
                           " of type \"" + entry->types + "\" without arguments");
  using VoidImp = void (*)(const host::Id&, host::Selector);
  reinterpret_cast<VoidImp>(entry->imp)(target, selector);
}

}  // namespace sim
