// Property-list values' numeric readings and NSString's operations, answered by Foundation
// itself: the value goes back into a Foundation object and receives the real message.
#include <string>

#include "host/strings.h"
#include "host/value.h"
#include "objc/runtime/foundation.h"
#include "objc/runtime/message.h"

namespace {

using namespace nimbrel::objc;

// NSRange, as Foundation passes it by value.
struct Range {
  unsigned long location;
  unsigned long length;
};

template <class R>
R reading(const host::Value& value, SEL selector) {
  Owned object = makeValue(value);
  return send<R>(object.get(), selector);
}

std::string stringResult(id string) { return stringFrom(string).value_or(std::string()); }

}  // namespace

namespace host {

bool Value::hasNumericReading() const {
  return is<bool>() || is<std::int64_t>() || is<UnsignedInteger>() || is<double>() ||
         is<std::string>();
}

bool Value::boolValue() const { return reading<BOOL>(*this, sel<"boolValue">()) != 0; }
std::int32_t Value::intValue() const { return reading<int>(*this, sel<"intValue">()); }
double Value::doubleValue() const { return reading<double>(*this, sel<"doubleValue">()); }

namespace strings {

std::string lastPathComponent(std::string_view path) {
  PoolScope pool;
  Owned string = makeString(path);
  return stringResult(send<id>(string.get(), sel<"lastPathComponent">()));
}

std::size_t length(std::string_view text) {
  Owned string = makeString(text);
  return send<unsigned long>(string.get(), sel<"length">());
}

std::string replacingCharactersInRange(std::string_view text, std::size_t location,
                                       std::size_t rangeLength, std::string_view replacement) {
  PoolScope pool;
  Owned string = makeString(text);
  Owned with = makeString(replacement);
  return stringResult(send<id>(string.get(),
                               sel<"stringByReplacingCharactersInRange:withString:">(),
                               Range{location, rangeLength}, with.get()));
}

std::string replacingOccurrences(std::string_view text, std::string_view target,
                                 std::string_view replacement) {
  PoolScope pool;
  Owned string = makeString(text);
  Owned of = makeString(target);
  Owned with = makeString(replacement);
  return stringResult(send<id>(string.get(),
                               sel<"stringByReplacingOccurrencesOfString:withString:">(), of.get(),
                               with.get()));
}

}  // namespace strings
}  // namespace host
