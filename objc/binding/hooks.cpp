// The class runtime and the hook engine over the Objective-C runtime's own functions. Each
// replaced method gets an Objective-C implementation of its exact type (a trampoline) that
// calls the add-on's typed routine, and the add-on gets a typed function that calls the
// implementation it replaced.
#include "objc/binding/hooks.h"

#include <objc/runtime.h>

#include <array>
#include <cctype>
#include <cstring>
#include <string>
#include <type_traits>
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

constexpr int kSlots = ObjcRuntime::kTrampolinesPerSignature;

// One hook: the add-on's routine, and the implementation it replaced. An override of an
// inherited method has no implementation of its own to call: it calls the superclass's as that
// is when called, so that a later change there is seen.
struct Slot {
  host::Imp replacement = nullptr;
  IMP original = nullptr;
  Class superclass = nullptr;
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
  const Slot& slot = slots<Method>[N];
  SEL selector = selectorOf<Method>();
  IMP original =
      slot.superclass ? class_getMethodImplementation(slot.superclass, selector) : slot.original;
  return callImp<R>(original, receiver, selector, args...);
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
      auto loader = borrowAs<host::AssetLoader>(self);
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
    fromObjectiveC([&] { replacement<Method, N>()(borrow(self), Method::selector); });
  }
};

struct DateViewHook {
  using Method = methods::DateView;
  template <int N>
  static id trampoline(id self, SEL) {
    return fromObjectiveC(
        [&] { return unwrap(replacement<Method, N>()(borrow(self), Method::selector)); });
  }
  // The view the shell's own implementation answers is the controller's, kept for the call:
  // borrowed, as the receiver is.
  template <int N>
  static std::shared_ptr<host::DateView> previous(const host::Id& self, host::Selector) {
    return borrowAs<host::DateView>(callOriginal<id, Method, N>(unwrap(self)));
  }
};

struct ContentViewHook {
  using Method = methods::ContentView;
  template <int N>
  static id trampoline(id self, SEL) {
    return fromObjectiveC([&] {
      return unwrap(replacement<Method, N>()(borrowAs<host::View>(self), Method::selector));
    });
  }
  template <int N>
  static std::shared_ptr<host::View> previous(const std::shared_ptr<host::View>& self,
                                              host::Selector) {
    return borrowAs<host::View>(callOriginal<id, Method, N>(unwrap(self)));
  }
};

struct LayoutSubviewsHook {
  using Method = methods::LayoutSubviews;
  template <int N>
  static void trampoline(id self, SEL) {
    fromObjectiveC([&] { replacement<Method, N>()(borrowAs<host::View>(self), Method::selector); });
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
        [&] { replacement<Method, N>()(borrow(self), Method::selector, source, borrow(options)); });
  }
  template <int N>
  static void previous(const host::Id& self, host::Selector, long source, const host::Id& options) {
    callOriginal<void, Method, N>(unwrap(self), static_cast<int>(source), unwrap(options));
  }
};

template <class T>
constexpr char typeCode() {
  if constexpr (std::is_void_v<T>)
    return 'v';
  else if constexpr (std::is_same_v<T, id>)
    return '@';
  else if constexpr (std::is_same_v<T, SEL>)
    return ':';
  else if constexpr (std::is_same_v<T, bool>)
    return 'B';  // BOOL on 64-bit iOS
  else if constexpr (std::is_same_v<T, signed char>)
    return 'c';
  else if constexpr (std::is_same_v<T, unsigned char>)
    return 'C';  // BOOL on GCC's runtime
  else if constexpr (std::is_same_v<T, int>)
    return 'i';
  else if constexpr (std::is_same_v<T, long>)
    return sizeof(long) == 8 ? 'q' : 'l';
  else
    static_assert(std::is_void_v<T>, "a trampoline type without an encoding");
}

// A function type's Objective-C type encoding without frame offsets: "@@:qC" for
// id (*)(id, SEL, long, BOOL) here.
template <class R, class... Args>
constexpr std::array<char, sizeof...(Args) + 2> encodingOf(R (*)(Args...)) {
  return {typeCode<R>(), typeCode<Args>()..., '\0'};
}

template <class Hook>
constexpr auto kTrampolineTypes = encodingOf(&Hook::template trampoline<0>);

// Whether a method's type encoding is `expected`, frame offsets and type qualifiers aside.
bool sameTypes(const char* types, std::string_view expected) {
  if (!types) return false;
  std::size_t matched = 0;
  for (const char* c = types; *c; ++c) {
    if (std::isdigit(static_cast<unsigned char>(*c)) || std::strchr("rnNoORV", *c)) continue;
    if (matched == expected.size() || expected[matched] != *c) return false;
    ++matched;
  }
  return matched == expected.size();
}

// The trampolines and previous-implementation functions of one signature, one per slot.
struct Family {
  std::string_view selector;
  std::string_view types;
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
  Family family{Method::selector.name,
                kTrampolineTypes<Hook>.data(),
                &slots<Method>,
                {asImp(&Hook::template trampoline<N>)...},
                {}};
  if constexpr (requires { &Hook::template previous<0>; })
    family.previous = {reinterpret_cast<host::Imp>(&Hook::template previous<N>)...};
  return family;
}

template <class Hook>
Family familyOf() {
  return familyOf<Hook>(std::make_integer_sequence<int, kSlots>());
}

// One family per row of host/methods.def, the row's signature's `Hook` above. Rows that share a
// signature share its slots, so the first family of the selector serves them all.
Family* familyFor(std::string_view selector) {
  static std::array families{
#define NIMBREL_METHOD(row, Signature, cls, sign, change) familyOf<Signature##Hook>(),
#include "host/methods.def"
  };
  for (Family& family : families)
    if (family.selector == selector) return &family;
  return nullptr;
}

// Puts the trampoline in the class's method table. An inherited method is overridden, never
// replaced in place (that would change the superclass and every sibling); its previous
// implementation is looked up at each call. A replaced one's is published in `original` before
// the trampoline goes live, so that a call on another thread in between finds it: the hook
// engine writes it itself before swapping; here the implementation read first is published,
// and the one the swap answers kept in case another thread changed it in between.
void installTrampoline(Class cls, SEL name, Method method, bool inherited, IMP trampoline,
                       IMP& original) {
  if (inherited) {
    class_addMethod(cls, name, trampoline, method_getTypeEncoding(method));
    return;
  }
#if defined(__APPLE__)
  MSHookMessageEx(cls, name, trampoline, &original);
#else
  original = method_getImplementation(method);
  IMP replaced = replaceImplementation(cls, method, trampoline);
  if (replaced != original) original = replaced;
#endif
}

SEL selectorNamed(host::Selector selector) {
  return sel_registerName(std::string(selector.name).c_str());
}

// The Objective-C object a host object stands for; the main screen is no held object but asked
// for afresh at each use (platform.cpp).
id objectOf(const host::Object& object) {
  if (id bound = unwrap(&object)) return bound;
  if (dynamic_cast<const host::Screen*>(&object))
    return send<id>(cls<"UIScreen">(), sel<"mainScreen">());
  return nullptr;
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
  if (!method) return host::HookOutcome::noSuchMethod;
  // Called through a trampoline of another type, the method would get the wrong arguments.
  Family* family = familyFor(selector.name);
  if (!family || !sameTypes(method_getTypeEncoding(method), family->types))
    return host::HookOutcome::typeMismatch;
  const int slot = family->freeSlot();
  if (slot < 0) return host::HookOutcome::noFreeTrampoline;

  Class superclass = class_getSuperclass(target);
  const bool inherited = superclass && class_getInstanceMethod(superclass, name) == method;
  Slot& taken = (*family->slots)[slot];
  taken.replacement = replacement;
  taken.superclass = inherited ? superclass : nullptr;
  if (previous) *previous = family->previous[slot];
  installTrampoline(target, name, method, inherited, family->trampolines[slot], taken.original);
  return inherited ? host::HookOutcome::overrodeInherited : host::HookOutcome::replaced;
}

bool ObjcRuntime::respondsToSelector(const host::Object& receiver, host::Selector selector) const {
  return send<BOOL>(objectOf(receiver), sel<"respondsToSelector:">(), selectorNamed(selector));
}

bool ObjcRuntime::instancesRespondToSelector(const host::Class& cls,
                                             host::Selector selector) const {
  return send<BOOL>(reinterpret_cast<id>(classOf(&cls)), sel<"instancesRespondToSelector:">(),
                    selectorNamed(selector));
}

bool ObjcRuntime::addMethod(host::Class* cls, host::Selector selector, host::Imp imp,
                            std::string_view types) {
  if (!cls) tellNoClass(selector, true);
  Family* family = familyFor(selector.name);
  const std::string encoding(types);
  const int slot = family && sameTypes(encoding.c_str(), family->types) ? family->freeSlot() : -1;
  if (!cls || slot < 0) return false;
  (*family->slots)[slot].replacement = imp;
  if (class_addMethod(classOf(cls), selectorNamed(selector), family->trampolines[slot],
                      encoding.c_str()))
    return true;
  (*family->slots)[slot].replacement = nullptr;
  return false;
}

}  // namespace nimbrel::objc
