// Message sending: the one place where Apple's runtime and GCC's differ. Every send is typed
// exactly (arm64 has no _stret variants; a variadic cast is undefined on both), answers zero
// for a nil receiver, and turns an NSException into host::PlatformException.
#pragma once

#include <objc/message.h>
#include <objc/objc.h>
#include <objc/runtime.h>

#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>

#include "host/object.h"
#include "objc/runtime/exception.h"
#include "objc/runtime/exceptions_shim.h"

namespace nimbrel::objc {

// A selector or class name as a template argument, so each call site looks it up once.
template <std::size_t N>
struct Name {
  constexpr Name(const char (&text)[N]) {
    for (std::size_t i = 0; i < N; ++i) chars[i] = text[i];
  }
  char chars[N];
};

template <Name name>
SEL sel() {
  static const SEL selector = sel_registerName(name.chars);
  return selector;
}

// objc_getClass, kept once found: a class can load after the first look-up, never unload.
template <Name name>
id cls() {
  static id found = nullptr;
  if (!found) found = reinterpret_cast<id>(objc_getClass(name.chars));
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

// The message itself, unguarded: for callers already inside guarded().
template <class R, class... Args>
R sendUnguarded(id receiver, SEL selector, Args... args) {
  if (!receiver) return R();
#if defined(__APPLE__)
  return impAs<R, Args...>(reinterpret_cast<IMP>(objc_msgSend))(receiver, selector, args...);
#else
  // GCC's nil_method leaves a structure result undefined, hence the test above.
  IMP imp = objc_msg_lookup(receiver, selector);
  return impAs<R, Args...>(imp)(receiver, selector, args...);
#endif
}

template <class R, class... Args>
R send(id receiver, SEL selector, Args... args) {
  if (!receiver) return R();
  if constexpr (std::is_void_v<R>) {
    guarded([&] { sendUnguarded<void>(receiver, selector, args...); });
  } else {
    R result{};
    guarded([&] { result = sendUnguarded<R>(receiver, selector, args...); });
    return result;
  }
}

// Calls an implementation directly, as the hook engine's previous implementation is called.
template <class R, class... Args>
R callImp(IMP imp, id receiver, SEL selector, Args... args) {
  if constexpr (std::is_void_v<R>) {
    guarded([&] { impAs<R, Args...>(imp)(receiver, selector, args...); });
  } else {
    R result{};
    guarded([&] { result = impAs<R, Args...>(imp)(receiver, selector, args...); });
    return result;
  }
}

}  // namespace nimbrel::objc
