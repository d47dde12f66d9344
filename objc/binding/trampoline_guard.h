// Where the platform calls into the add-on: a replaced method, the timer, a notification, a
// completion handler.
#pragma once

#include <optional>

#include "host/object.h"
#include "objc/runtime/exceptions_shim.h"

namespace nimbrel::objc {

// Runs the add-on's side of a call from the platform. A platform exception the add-on let
// through goes on into the platform as the NSException it was, as it would on the phone.
template <class Body>
auto fromObjectiveC(Body&& body) -> decltype(body()) {
  std::optional<host::PlatformException> escaped;
  try {
    return body();
  } catch (const host::PlatformException& exception) {
    escaped.emplace(exception);
  }
  // Raised outside the handler, so that the C++ exception is finished with first.
  nimbrel_objc_raise(escaped->name().c_str(), escaped->what());
}

}  // namespace nimbrel::objc
