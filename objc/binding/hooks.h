// Classes by name, method addition and replacement, on the Objective-C runtime.
#pragma once

#include "host/runtime.h"

namespace nimbrel::objc {

class ObjcRuntime final : public host::Runtime {
 public:
  // Hooks of one signature the binding can hold at once: the add-on needs two at most.
  static constexpr int kTrampolinesPerSignature = 8;

  host::Class* getClass(std::string_view name) override;
  bool classExists(std::string_view name) override;
  // Replaces the class's own method in place, or overrides an inherited one with a method of
  // the class whose previous implementation is the superclass's at the time of each call.
  // Only the signatures the add-on replaces have trampolines: a method of another selector or
  // type encoding reports typeMismatch, and one whose trampolines are all taken
  // noFreeTrampoline; either is left alone.
  host::HookOutcome hookMessage(host::Class* cls, host::Selector selector, host::Imp replacement,
                                host::Imp* previous) override;
  // Also false when `types` is not the encoding of the selector's trampoline.
  bool addMethod(host::Class* cls, host::Selector selector, host::Imp imp,
                 std::string_view types) override;
  bool respondsToSelector(const host::Object& receiver, host::Selector selector) const override;
  bool instancesRespondToSelector(const host::Class& cls, host::Selector selector) const override;
};

}  // namespace nimbrel::objc
