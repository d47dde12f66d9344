// Classes by name, method addition and replacement, on the Objective-C runtime.
#pragma once

#include "host/runtime.h"

namespace nimbrel::objc {

class ObjcRuntime final : public host::Runtime {
 public:
  host::Class* getClass(std::string_view name) override;
  bool classExists(std::string_view name) override;
  // Replaces the class's own method in place, or overrides an inherited one with a method of
  // the class whose previous implementation is the superclass's. Only the signatures the
  // add-on replaces have trampolines; another selector reports noSuchMethod.
  host::HookOutcome hookMessage(host::Class* cls, host::Selector selector, host::Imp replacement,
                                host::Imp* previous) override;
  bool addMethod(host::Class* cls, host::Selector selector, host::Imp imp,
                 std::string_view types) override;
};

}  // namespace nimbrel::objc
