// Method tables and class relations of the simulated runtime's class objects.
#include "sim/runtime/class.h"

#include "host/cross_cast.h"

namespace sim {

const MethodEntry* ClassState::ownMethod(std::string_view selector) const {
  auto found = methods_.find(selector);
  return found == methods_.end() ? nullptr : &found->second;
}

const MethodEntry* ClassState::findMethod(std::string_view selector) const {
  for (const ClassState* cls = this; cls; cls = classState(cls->superclassObject()))
    if (const MethodEntry* entry = cls->ownMethod(selector)) return entry;
  return nullptr;
}

bool ClassState::removeOwnMethod(std::string_view selector) {
  auto found = methods_.find(selector);
  if (found == methods_.end()) return false;
  methods_.erase(found);
  return true;
}

void ClassState::setOwnMethod(std::string_view selector, MethodEntry entry) {
  auto found = methods_.find(selector);
  if (found == methods_.end())
    methods_.emplace(std::string(selector), std::move(entry));
  else
    found->second = std::move(entry);
}

ClassState* classState(const host::Class* cls) {
  return cls ? host::crossCast<ClassState>(const_cast<host::Class&>(*cls)) : nullptr;
}

bool isSubclassOf(const host::Class& candidate, const host::Class& cls) {
  for (const host::Class* walk = &candidate; walk; walk = walk->superclass())
    if (walk == &cls) return true;
  return false;
}

bool isKindOfClass(const host::Object& object, const host::Class& cls) {
  return isSubclassOf(object.objectClass(), cls);
}

}  // namespace sim
