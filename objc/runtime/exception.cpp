#include "objc/runtime/exception.h"

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <typeinfo>

#include "objc/runtime/exceptions_shim.h"
#include "objc/runtime/foundation.h"
#include "objc/runtime/message.h"

namespace nimbrel::objc {

namespace {

std::string textOf(id string) {
  const char* utf8 = sendUnguarded<const char*>(string, sel<"UTF8String">());
  return utf8 ? utf8 : "";
}

std::string nameOf(id exception) { return textOf(sendUnguarded<id>(exception, sel<"name">())); }

std::string reasonOf(id exception) { return textOf(sendUnguarded<id>(exception, sel<"reason">())); }

// What a shell sees as the reason for a C++ exception: its type, then what it says.
std::string describe(const std::type_info* type, const char* what) {
  std::string reason = "C++ exception";
  if (type) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), &std::free);
    reason += " ";
    reason += status == 0 && demangled ? demangled.get() : type->name();
  }
  if (what) (reason += ": ") += what;
  return reason;
}

id newException(const std::string& name, const std::string& reason) {
  Owned nsName = makeString(validUTF8(name));
  Owned nsReason = makeString(validUTF8(reason));
  return sendGuarded<id>(cls<"NSException">(), sel<"exceptionWithName:reason:userInfo:">(),
                         nsName.get(), nsReason.get(), static_cast<id>(nullptr));
}

constexpr const char* kCppExceptionName = "NSInternalInconsistencyException";

id exceptionFor(const std::type_info* type, const char* what) {
  try {
    return newException(kCppExceptionName, describe(type, what));
  } catch (...) {
    // Out of memory or a raising Foundation: a reason that needs no allocation of ours.
    return newException(kCppExceptionName, "C++ exception");
  }
}

// Whether the exception being handled is an Objective-C one, to be let through as it is. GCC's
// runtime throws it as a foreign exception, which C++ does not hold as a current one; Apple's
// throws it as a C++ exception whose type is the runtime's for `id`.
bool objectiveCInFlight() {
#if defined(__APPLE__)
  return rethrownIsObjectiveC();
#else
  return !std::current_exception();
#endif
}

}  // namespace

RaisedException::RaisedException(id exception)
    : host::PlatformException(nameOf(exception), reasonOf(exception)), exception_(exception) {}

RaisedException::RaisedException(const RaisedException& other)
    : host::PlatformException(other), exception_(other.exception_) {
  retain(exception_);
}

RaisedException::~RaisedException() { release(exception_); }

void throwRaised(id exception) {
  Owned caught(exception);
  throw RaisedException(caught.release());
}

bool rethrownIsObjectiveC() {
  try {
    return nimbrel_objc_rethrown_is_object([] { throw; }) != 0;
  } catch (...) {
    return false;
  }
}

id exceptionForPlatform() {
  // An NSException that no shim turned into a RaisedException goes on as itself.
  if (objectiveCInFlight()) return nullptr;
  const std::type_info* type = abi::__cxa_current_exception_type();
  try {
    throw;
  } catch (const RaisedException& raised) {
    id exception = raised.object();
    retain(exception);
    return sendUnguarded<id>(exception, sel<"autorelease">());
  } catch (const host::PlatformException& platform) {
    try {
      return newException(platform.name(), platform.what());
    } catch (...) {
      return exceptionFor(type, nullptr);
    }
  } catch (const std::exception& other) {
    return exceptionFor(type, other.what());
  } catch (...) {
    return exceptionFor(type, nullptr);
  }
}

std::string validUTF8(std::string_view text) {
  std::string valid;
  valid.reserve(text.size());
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = byte(i);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    // The second byte's range rules out overlong forms, surrogates and values past U+10FFFF.
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    bool whole = length > 0 && i + length <= text.size();
    for (std::size_t k = 1; whole && k < length; ++k) {
      const unsigned char next = byte(i + k);
      whole = k == 1 ? next >= low && next <= high : (next & 0xC0) == 0x80;
    }
    if (whole) {
      valid.append(text.substr(i, length));
      i += length;
    } else {
      valid += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return valid;
}

}  // namespace nimbrel::objc
