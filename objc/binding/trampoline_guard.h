// Where the platform calls into the add-on: a replaced method, the timer, a notification, a
// completion handler.
#pragma once

#include "objc/binding/registry.h"
#include "objc/runtime/exception.h"
#include "objc/runtime/exceptions_shim.h"

namespace nimbrel::objc {

// Runs the add-on's side of a call from the platform, in a CallScope of its own: the objects
// it meets are borrowed for the call. No C++ exception unwinds into the
// platform's frames: a platform exception goes on as the NSException it was (the same object
// when it came from the platform), and any other becomes one whose reason names it.
template <class Body>
auto fromObjectiveC(Body&& body) -> decltype(body()) {
  id escaped = nullptr;
  try {
    CallScope call;
    return body();
  } catch (...) {
    escaped = exceptionForPlatform();
    if (!escaped) throw;
  }
  // Raised outside the handler, so that the C++ exception is finished with first.
  nimbrel_objc_raise(escaped);
}

}  // namespace nimbrel::objc
