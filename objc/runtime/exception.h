// Exceptions between the add-on's C++ and the platform's Objective-C, kept whole both ways.
#pragma once

#include <objc/objc.h>
#include <objc/runtime.h>

#include <string>
#include <string_view>

#include "host/object.h"

namespace nimbrel::objc {

// An NSException on its way through the add-on: the platform exception the add-on sees, with
// the whole of its name and reason, holding the object itself so that it goes back into the
// platform unchanged (class, name, reason, user info).
class RaisedException final : public host::PlatformException {
 public:
  // Takes over one reference to `exception`.
  explicit RaisedException(id exception);
  RaisedException(const RaisedException& other);
  RaisedException& operator=(const RaisedException&) = delete;
  ~RaisedException() override;
  id object() const { return exception_; }
  std::string className() const override { return object_getClassName(exception_); }

 private:
  id exception_;
};

// Throws RaisedException for an NSException the shim caught (and retained). Out of line, so
// that every typed send stays small.
[[noreturn]] void throwRaised(id exception);

// Inside a catch handler at the edge back into the platform: the NSException to raise there,
// autoreleased. The same object for a RaisedException; a new one for any other platform
// exception (its name and reason) or C++ exception (a reason naming its type and what it
// said). Nil when the exception in flight is itself an Objective-C one, to be let through.
id exceptionForPlatform();

// Inside a catch handler: whether the exception being handled is an Objective-C one, thrown
// again into the shim to be told apart (Apple's runtime's way). False for a C++ exception,
// which stays the one being handled.
bool rethrownIsObjectiveC();

// `text` with every byte sequence that is not UTF-8 replaced by U+FFFD, whole characters kept.
std::string validUTF8(std::string_view text);

}  // namespace nimbrel::objc
