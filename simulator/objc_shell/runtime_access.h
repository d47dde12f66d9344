// Messages to the test shell's and Foundation's objects from the shell process, and the
// small conversions its observation needs.
#pragma once

#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "facts/snapshot.h"
#include "objc/runtime/geometry.h"
#include "objc/runtime/message.h"
#include "simulator/value_json.h"

namespace nimsim::objcshell {

// A message that raises comes back as host::PlatformException, as the binding's do.
template <class R = id, class... Args>
R msg(id receiver, const char* selector, Args... args) {
  return nimbrel::objc::sendGuarded<R>(receiver, sel_registerName(selector), args...);
}

inline id classNamed(const char* name) { return reinterpret_cast<id>(objc_getClass(name)); }

// Replaces `cls`'s own method `selector` (a class method when `cls` is a metaclass) for it and
// its subclasses, and answers the implementation replaced.
inline IMP replaceMethod(Class cls, const char* selector, IMP imp) {
  Method method = class_getInstanceMethod(cls, sel_registerName(selector));
  return nimbrel::objc::replaceImplementation(cls, method, imp);
}

inline bool isKind(id object, const char* cls) {
  id found = classNamed(cls);
  return object && found && msg<BOOL>(object, "isKindOfClass:", found);
}

inline std::string className(id object) { return object ? object_getClassName(object) : "nil"; }

inline std::optional<std::string> text(id string) {
  if (!string) return std::nullopt;
  const char* utf8 = msg<const char*>(string, "UTF8String");
  return std::string(utf8 ? utf8 : "");
}

inline id makeString(const std::string& value) {
  return msg(classNamed("NSString"), "stringWithUTF8String:", value.c_str());
}

using facts::number;

// An object instance variable's value, read without a message (for methods the add-on
// replaces or a scenario takes away); nil when the class has none of that name.
inline id ivarObject(id object, const char* name) {
  if (!object) return nullptr;
  Ivar ivar = class_getInstanceVariable(object_getClass(object), name);
  if (!ivar) return nullptr;
  return *reinterpret_cast<id*>(reinterpret_cast<char*>(object) + ivar_getOffset(ivar));
}

// Foundation objects made from JSON values: strings, numbers, booleans, arrays, dictionaries,
// and {"date": seconds since 1970}. Autoreleased.
id foundationValue(const nlohmann::json& value);

}  // namespace nimsim::objcshell
