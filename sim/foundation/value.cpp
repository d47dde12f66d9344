// Foundation's numeric readings of property-list values: NSNumber (integer, unsigned,
// real, boolean) and NSString; any other class does not recognise the selector.
#include <climits>
#include <cmath>
#include <cstdio>
#include <type_traits>

#include "host/object.h"
#include "host/value.h"
#include "sim/foundation/string_scanner.h"

namespace host {

namespace {

// The class a value is an instance of on the phone, for the unrecognised-selector message.
const char* foundationClassName(const Value& value) {
  if (value.is<Array>()) return "__NSArrayI";
  if (value.is<Dictionary>()) return "__NSDictionaryI";
  if (value.is<Date>()) return "__NSDate";
  return "NSConcreteData";
}

[[noreturn]] void unrecognizedSelector(const Value& value, const char* selector) {
  char reason[160];
  std::snprintf(reason, sizeof reason, "-[%s %s]: unrecognized selector sent to instance %p",
                foundationClassName(value), selector, static_cast<const void*>(&value));
  throw PlatformException("NSInvalidArgumentException", reason);
}

// NSNumber keeps the low 32 bits of a wider integer (two's-complement wrap, no saturation).
std::int32_t lowBits(std::uint64_t bits) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
}

// A C cast of an out-of-range double is undefined. The fixed answer here is the 64-bit ARM
// one (saturation, NaN to 0); the add-on must not rely on it.
std::int32_t truncatedInt(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 2147483648.0) return INT_MAX;
  if (d <= -2147483649.0) return INT_MIN;
  return static_cast<std::int32_t>(d);
}

}  // namespace

bool Value::hasNumericReading() const {
  return is<bool>() || is<std::int64_t>() || is<UnsignedInteger>() || is<double>() ||
         is<std::string>();
}

bool Value::boolValue() const {
  if (auto b = get<bool>()) return *b;
  if (auto i = get<std::int64_t>()) return *i != 0;
  if (auto u = get<UnsignedInteger>()) return u->value != 0;
  // Any nonzero value is true, so 0.4 and NaN read as YES, as the documentation says.
  if (auto d = get<double>()) return *d != 0.0;
  if (auto s = get<std::string>()) return sim::scanner::boolValue(*s);
  unrecognizedSelector(*this, "boolValue");
}

std::int32_t Value::intValue() const {
  if (auto b = get<bool>()) return *b ? 1 : 0;
  if (auto i = get<std::int64_t>()) return lowBits(static_cast<std::uint64_t>(*i));
  if (auto u = get<UnsignedInteger>()) return lowBits(u->value);
  if (auto d = get<double>()) return truncatedInt(*d);
  if (auto s = get<std::string>()) return sim::scanner::intValue(*s);
  unrecognizedSelector(*this, "intValue");
}

double Value::doubleValue() const {
  if (auto b = get<bool>()) return *b ? 1.0 : 0.0;
  if (auto i = get<std::int64_t>()) return static_cast<double>(*i);
  if (auto u = get<UnsignedInteger>()) return static_cast<double>(u->value);
  if (auto d = get<double>()) return *d;
  if (auto s = get<std::string>()) return sim::scanner::doubleValue(*s);
  unrecognizedSelector(*this, "doubleValue");
}

}  // namespace host
