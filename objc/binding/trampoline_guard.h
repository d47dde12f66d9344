// Where the platform calls into the add-on: a replaced method, the timer, a notification, a
// completion handler.
#pragma once

#include "objc/binding/registry.h"
#include "objc/runtime/exception.h"
#include "objc/runtime/exceptions_shim.h"

namespace nimbrel::objc {

// Runs `body` for the platform: no C++ exception unwinds into the platform's frames. A platform
// exception goes on as the NSException it was (the same object when it came from the
// platform), and any other becomes one whose reason names it. Touches nothing of the binding's
// own, so any thread may use it.
template <class Body>
auto towardsPlatform(Body&& body) -> decltype(body()) {
  id escaped = nullptr;
  try {
    return body();
  } catch (...) {
    escaped = exceptionForPlatform();
    if (!escaped) throw;
  }
  // Raised outside the handler, so that the C++ exception is finished with first.
  nimbrel_objc_raise(escaped);
}

// Runs the add-on's side of a call from the platform, on whichever thread it came, in a CallScope
// of its own: the objects it meets are borrowed for the call.
template <class Body>
auto fromObjectiveC(Body&& body) -> decltype(body()) {
  return towardsPlatform([&] {
    CallScope call;
    return body();
  });
}

}  // namespace nimbrel::objc
