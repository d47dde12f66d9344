// Message sending: the one place where Apple's runtime and GCC's differ. Every send is typed
// exactly (arm64 has no _stret variants, x86-64 needs one for a structure returned in memory; a
// variadic cast is undefined on both) and answers zero for a nil receiver. An NSException
// becomes host::PlatformException where someone catches it: always for sendGuarded, and for
// send only inside a host::ExpectPlatformException step; elsewhere it unwinds as itself.
#pragma once

#include <objc/message.h>
#include <objc/objc.h>
#include <objc/runtime.h>

#include <atomic>
#include <cstddef>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "host/object.h"
#include "objc/runtime/exception.h"
#include "objc/runtime/exceptions_shim.h"

#if !defined(__APPLE__)
// libobjc's own, exported but left out of its public headers: rebuilds the dispatch tables of
// a class and of its subclasses.
extern "C" void __objc_update_dispatch_table_for_class(Class);
#endif

namespace nimbrel::objc {

// A selector or class name as a template argument, so each call site looks it up once.
template <std::size_t N>
struct Name {
  constexpr Name(const char (&text)[N]) {
    for (std::size_t i = 0; i < N; ++i) chars[i] = text[i];
  }
  char chars[N];
};

// Kept in a relaxed atomic rather than a guarded static: a kept selector costs one load at the
// call site. Two threads that both look one up first get the same answer from the runtime.
template <Name name>
SEL sel() {
  static constinit std::atomic<SEL> kept{nullptr};
  SEL selector = kept.load(std::memory_order_relaxed);
  if (!selector) [[unlikely]] {
    selector = sel_registerName(name.chars);
    kept.store(selector, std::memory_order_relaxed);
  }
  return selector;
}

// objc_getClass, kept once found: a class can load after the first look-up, never unload.
template <Name name>
id cls() {
  static constinit std::atomic<id> kept{nullptr};
  id found = kept.load(std::memory_order_relaxed);
  if (!found) {
    found = reinterpret_cast<id>(objc_getClass(name.chars));
    kept.store(found, std::memory_order_relaxed);
  }
  return found;
}

// An implementation as the function type it really has. Through void(*)() because IMP is
// variadic on this runtime and void(*)(void) on Apple's: a direct cast draws a warning.
template <class R, class... Args>
auto impAs(IMP imp) {
  return reinterpret_cast<R (*)(id, SEL, Args...)>(reinterpret_cast<void (*)()>(imp));
}

template <class F>
IMP asImp(F* function) {
  return reinterpret_cast<IMP>(reinterpret_cast<void (*)()>(function));
}

// Runs `body`, turning an NSException raised inside it into host::PlatformException (a
// RaisedException holding the NSException itself).
template <class Body>
void guarded(Body&& body) {
  auto run = [](void* context) { (*static_cast<std::remove_reference_t<Body>*>(context))(); };
  if (id raised = nimbrel_objc_try(run, &body)) throwRaised(raised);
}

// Whether x86-64's calling convention returns R through memory: a structure of more than 16
// bytes (CGRect, CGAffineTransform). There Apple's runtime sends with objc_msgSend_stret.
template <class R>
constexpr bool returnedInMemoryOnX86_64() {
  // Only a class is sized: sizeof(void) is an error to clang.
  if constexpr (std::is_class_v<R>)
    return sizeof(R) > 16;
  else
    return false;
}

#if defined(__APPLE__) && !defined(__arm64__) && !defined(__x86_64__)
#error "Messages are sent for arm64 and arm64e (the phones) and x86_64 (their simulator) only"
#endif

// What a send of `selector` to `receiver` calls, for a caller that calls it through a type of
// its own (a variadic method): objc_msgSend itself on Apple's runtime, which finds the method,
// and the method's implementation on GCC's.
inline IMP messageTarget(id receiver, SEL selector) {
#if defined(__APPLE__)
  (void)receiver;
  (void)selector;
  return reinterpret_cast<IMP>(objc_msgSend);
#else
  return objc_msg_lookup(receiver, selector);
#endif
}

// The message to a receiver that is not nil.
template <class R, class... Args>
R dispatch(id receiver, SEL selector, Args... args) {
#if defined(__APPLE__) && defined(__x86_64__)
  if constexpr (returnedInMemoryOnX86_64<R>())
    return impAs<R, Args...>(reinterpret_cast<IMP>(objc_msgSend_stret))(receiver, selector,
                                                                        args...);
#endif
  static_assert(!std::is_same_v<R, long double>, "x86-64 would need objc_msgSend_fpret");
  return impAs<R, Args...>(messageTarget(receiver, selector))(receiver, selector, args...);
}

// The message itself, unguarded: for callers already inside guarded(). GCC's nil_method
// leaves a structure result undefined, and Apple's arm64 send does not clear one, hence the
// test for nil.
template <class R, class... Args>
R sendUnguarded(id receiver, SEL selector, Args... args) {
  if (!receiver) return R();
  return dispatch<R>(receiver, selector, args...);
}

// `function(args...)` inside the exception shim, its arguments copied into the shim's frame so
// that the callback reads each once: a guarded message costs the shim's call and little more.
template <class R, auto function, class... Args>
R guardedCall(Args... args) {
  struct Frame {
    std::tuple<Args...> args;
    std::conditional_t<std::is_void_v<R>, char, R> result{};
  } frame{{args...}};
  auto run = [](void* context) {
    Frame& called = *static_cast<Frame*>(context);
    if constexpr (std::is_void_v<R>)
      std::apply(function, called.args);
    else
      called.result = std::apply(function, called.args);
  };
  if (id raised = nimbrel_objc_try(run, &frame)) throwRaised(raised);
  if constexpr (!std::is_void_v<R>) return frame.result;
}

// For the binding's own code that catches what the platform raises, and for callers outside
// the add-on. Out of line: send's unguarded path inlines at its call site.
template <class R, class... Args>
[[gnu::noinline]] R sendGuarded(id receiver, SEL selector, Args... args) {
  if (!receiver) return R();
  return guardedCall<R, &dispatch<R, Args...>>(receiver, selector, args...);
}

// A message on the add-on's behalf: guarded only inside a step that expects a raise.
template <class R, class... Args>
[[gnu::always_inline]] inline R send(id receiver, SEL selector, Args... args) {
  if (!receiver) return R();
  if (host::ExpectPlatformException::active()) [[unlikely]]
    return sendGuarded<R>(receiver, selector, args...);
  return dispatch<R>(receiver, selector, args...);
}

template <class R, class... Args>
R invokeImp(IMP imp, id receiver, SEL selector, Args... args) {
  return impAs<R, Args...>(imp)(receiver, selector, args...);
}

// Calls an implementation directly, as the hook engine's previous implementation is called;
// guarded as send is.
template <class R, class... Args>
R callImp(IMP imp, id receiver, SEL selector, Args... args) {
  if (host::ExpectPlatformException::active()) [[unlikely]]
    return guardedCall<R, &invokeImp<R, Args...>>(imp, receiver, selector, args...);
  return invokeImp<R>(imp, receiver, selector, args...);
}

// Replaces `method`, one of `owner`'s own (a metaclass's for a class method), so that the owner
// and every subclass answer `imp` from the next message on, as Apple's runtime does by flushing
// its caches. GCC's updates the owner's dispatch table only: a subclass already messaged may
// keep the previous implementation, so the owner's tree is rebuilt.
inline IMP replaceImplementation(Class owner, Method method, IMP imp) {
  IMP previous = method_setImplementation(method, imp);
#if defined(__APPLE__)
  (void)owner;
#else
  __objc_update_dispatch_table_for_class(owner);
#endif
  return previous;
}

}  // namespace nimbrel::objc
