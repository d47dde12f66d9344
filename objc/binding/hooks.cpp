// The class runtime and the hook engine over the Objective-C runtime's own functions. Each
// replaced method gets an Objective-C implementation of its exact type (a trampoline) that
// calls the add-on's typed routine, and the add-on gets a typed function that calls the
// implementation it replaced.
#include "objc/binding/hooks.h"

#include <objc/runtime.h>

#include <array>
#include <string>
#include <utility>

#include "host/methods.h"
#include "objc/binding/registry.h"
#include "objc/binding/trampoline_guard.h"
#include "objc/runtime/foundation.h"
#include "objc/runtime/message.h"

extern "C" Class NSClassFromString(id name);
#if defined(__APPLE__)
// The hook engine's, from the library it ships.
extern "C" void MSHookMessageEx(Class cls, SEL selector, IMP replacement, IMP* previous);
#endif

#if !defined(__APPLE__)
// A row of the method table whose class the process lacks changes nothing the runtime can
// show; a process that watches the add-on (the simulator's shell process) defines this to be
// told of it. Elsewhere it is absent and nothing is called.
extern "C" void nimbrel_hook_found_no_class(const char* selector, int adding) __attribute__((weak));
#endif

namespace nimbrel::objc {

namespace {

void tellNoClass([[maybe_unused]] host::Selector selector, [[maybe_unused]] bool adding) {
#if !defined(__APPLE__)
  if (nimbrel_hook_found_no_class)
    nimbrel_hook_found_no_class(std::string(selector.name).c_str(), adding ? 1 : 0);
#endif
}

namespace methods = host::methods;

// Hooks of one signature that the binding can hold at once: the add-on needs two at most.
constexpr int kSlots = 4;

struct Slot {
  host::Imp replacement = nullptr;
  IMP original = nullptr;
};

template <class Method>
std::array<Slot, kSlots> slots{};

template <class Method, int N>
typename Method::Imp replacement() {
  return reinterpret_cast<typename Method::Imp>(slots<Method>[N].replacement);
}

template <class Method>
SEL selectorOf() {
  static const SEL selector = sel_registerName(std::string(Method::selector.name).c_str());
  return selector;
}

template <class R, class Method, int N, class... Args>
R callOriginal(id receiver, Args... args) {
  if (!receiver) return R();
  return callImp<R>(slots<Method>[N].original, receiver, selectorOf<Method>(), args...);
}

// A string returned to the shell is autoreleased, as a method's result that the caller does
// not own.
id autoreleasedString(const std::optional<std::string>& text) {
  if (!text) return nullptr;
  return send<id>(makeString(*text).release(), sel<"autorelease">());
}

struct FilenameForConditionHook {
  using Method = methods::FilenameForCondition;
  template <int N>
  static id trampoline(id self, SEL, long condition, BOOL isDay) {
    return fromObjectiveC([&]() -> id {
      auto loader = wrapAs<host::AssetLoader>(self);
      if (!loader) return callOriginal<id, Method, N>(self, condition, isDay);
      return autoreleasedString(
          replacement<Method, N>()(*loader, Method::selector, condition, isDay));
    });
  }
  template <int N>
  static std::optional<std::string> previous(host::AssetLoader& self, host::Selector,
                                             std::int64_t condition, bool isDay) {
    return stringFrom(
        callOriginal<id, Method, N>(unwrap(&self), static_cast<long>(condition), BOOL(isDay)));
  }
};

struct TickTockHook {
  using Method = methods::TickTock;
  template <int N>
  static void trampoline(id self, SEL) {
    fromObjectiveC([&] { replacement<Method, N>()(wrap(self), Method::selector); });
  }
};

struct DateViewHook {
  using Method = methods::DateView;
  template <int N>
  static id trampoline(id self, SEL) {
    return fromObjectiveC(
        [&] { return unwrap(replacement<Method, N>()(wrap(self), Method::selector)); });
  }
  template <int N>
  static std::shared_ptr<host::DateView> previous(const host::Id& self, host::Selector) {
    return wrapAs<host::DateView>(callOriginal<id, Method, N>(unwrap(self)));
  }
};

struct ContentViewHook {
  using Method = methods::ContentView;
  template <int N>
  static id trampoline(id self, SEL) {
    return fromObjectiveC([&] {
      return unwrap(replacement<Method, N>()(wrapAs<host::View>(self), Method::selector));
    });
  }
  template <int N>
  static std::shared_ptr<host::View> previous(const std::shared_ptr<host::View>& self,
                                              host::Selector) {
    return wrapAs<host::View>(callOriginal<id, Method, N>(unwrap(self)));
  }
};

struct LayoutSubviewsHook {
  using Method = methods::LayoutSubviews;
  template <int N>
  static void trampoline(id self, SEL) {
    fromObjectiveC([&] { replacement<Method, N>()(wrapAs<host::View>(self), Method::selector); });
  }
  template <int N>
  static void previous(const std::shared_ptr<host::View>& self, host::Selector) {
    callOriginal<void, Method, N>(unwrap(self));
  }
};

struct AllowsParallaxHook {
  using Method = methods::AllowsParallax;
  template <int N>
  static BOOL trampoline(id self, SEL) {
    return fromObjectiveC([&]() -> BOOL {
      host::Class* cls = classBinding(reinterpret_cast<Class>(self));
      return replacement<Method, N>()(*cls, Method::selector);
    });
  }
  template <int N>
  static bool previous(host::Class& self, host::Selector) {
    return callOriginal<BOOL, Method, N>(unwrap(&self));
  }
};

struct FinishUIUnlockHook {
  using Method = methods::FinishUIUnlock;
  // The shell passes the source as an int.
  template <int N>
  static void trampoline(id self, SEL, int source, id options) {
    fromObjectiveC(
        [&] { replacement<Method, N>()(wrap(self), Method::selector, source, wrap(options)); });
  }
  template <int N>
  static void previous(const host::Id& self, host::Selector, long source, const host::Id& options) {
    callOriginal<void, Method, N>(unwrap(self), static_cast<int>(source), unwrap(options));
  }
};

// The trampolines and previous-implementation functions of one signature, one per slot.
struct Family {
  std::string_view selector;
  std::array<Slot, kSlots>* slots;
  std::array<IMP, kSlots> trampolines;
  std::array<host::Imp, kSlots> previous;

  int freeSlot() const {
    for (int i = 0; i < kSlots; ++i)
      if (!(*slots)[i].replacement) return i;
    return -1;
  }
};

template <class Hook, int... N>
Family familyOf(std::integer_sequence<int, N...>) {
  using Method = typename Hook::Method;
  Family family{
      Method::selector.name, &slots<Method>, {asImp(&Hook::template trampoline<N>)...}, {}};
  if constexpr (requires { &Hook::template previous<0>; })
    family.previous = {reinterpret_cast<host::Imp>(&Hook::template previous<N>)...};
  return family;
}

template <class Hook>
Family familyOf() {
  return familyOf<Hook>(std::make_integer_sequence<int, kSlots>());
}

Family* familyFor(std::string_view selector) {
  static std::array<Family, 7> families{familyOf<FilenameForConditionHook>(),
                                        familyOf<TickTockHook>(),
                                        familyOf<DateViewHook>(),
                                        familyOf<ContentViewHook>(),
                                        familyOf<LayoutSubviewsHook>(),
                                        familyOf<AllowsParallaxHook>(),
                                        familyOf<FinishUIUnlockHook>()};
  for (Family& family : families)
    if (family.selector == selector) return &family;
  return nullptr;
}

// Puts the trampoline in the class's method table and answers the implementation it replaced.
IMP installTrampoline(Class cls, SEL name, Method method, bool inherited, IMP trampoline) {
#if defined(__APPLE__)
  (void)method;
  (void)inherited;
  IMP original = nullptr;
  MSHookMessageEx(cls, name, trampoline, &original);
  return original;
#else
  // An inherited method is overridden, never replaced in place: that would change the
  // superclass and every sibling.
  if (inherited) {
    IMP original = method_getImplementation(method);
    class_addMethod(cls, name, trampoline, method_getTypeEncoding(method));
    return original;
  }
  return method_setImplementation(method, trampoline);
#endif
}

SEL selectorNamed(host::Selector selector) {
  return sel_registerName(std::string(selector.name).c_str());
}

}  // namespace

host::Class* ObjcRuntime::getClass(std::string_view name) {
  return classBinding(objc_getClass(std::string(name).c_str()));
}

bool ObjcRuntime::classExists(std::string_view name) {
  Owned string = makeString(name);
  return NSClassFromString(string.get()) != nullptr;
}

host::HookOutcome ObjcRuntime::hookMessage(host::Class* cls, host::Selector selector,
                                           host::Imp replacement, host::Imp* previous) {
  if (!cls) {
    tellNoClass(selector, false);
    return host::HookOutcome::noSuchClass;
  }
  Class target = classOf(cls);
  SEL name = selectorNamed(selector);
  Method method = class_getInstanceMethod(target, name);
  Family* family = familyFor(selector.name);
  const int slot = family ? family->freeSlot() : -1;
  // A selector without a trampoline of its type cannot be replaced safely: left alone.
  if (!method || slot < 0) return host::HookOutcome::noSuchMethod;

  Class superclass = class_getSuperclass(target);
  const bool inherited = superclass && class_getInstanceMethod(superclass, name) == method;
  Slot& taken = (*family->slots)[slot];
  taken.replacement = replacement;
  taken.original = installTrampoline(target, name, method, inherited, family->trampolines[slot]);
  *previous = family->previous[slot];
  return inherited ? host::HookOutcome::overrodeInherited : host::HookOutcome::replaced;
}

bool ObjcRuntime::addMethod(host::Class* cls, host::Selector selector, host::Imp imp,
                            std::string_view types) {
  if (!cls) tellNoClass(selector, true);
  Family* family = familyFor(selector.name);
  const int slot = family ? family->freeSlot() : -1;
  if (!cls || slot < 0) return false;
  (*family->slots)[slot].replacement = imp;
  if (class_addMethod(classOf(cls), selectorNamed(selector), family->trampolines[slot],
                      std::string(types).c_str()))
    return true;
  (*family->slots)[slot].replacement = nullptr;
  return false;
}

}  // namespace nimbrel::objc
