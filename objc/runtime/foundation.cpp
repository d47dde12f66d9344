#include "objc/runtime/foundation.h"

#include <cstdint>
#include <cstring>

#include "objc/runtime/message.h"
#include "plist/limits.h"

namespace nimbrel::objc {

namespace {

constexpr unsigned long kUTF8StringEncoding = 4;  // NSUTF8StringEncoding

bool isBoolean(id number) {
#if defined(__APPLE__)
  return number == cls<"__NSCFBoolean">() || isKindOfClass(number, cls<"__NSCFBoolean">());
#else
  return isKindOfClass(number, cls<"NSBoolNumber">());
#endif
}

std::optional<host::Value> numberFrom(id number) {
  if (isBoolean(number)) return host::Value(send<BOOL>(number, sel<"boolValue">()) != 0);
  const char* type = send<const char*>(number, sel<"objCType">());
  switch (type ? type[0] : '\0') {
    case 'f':
    case 'd':
      return host::Value(send<double>(number, sel<"doubleValue">()));
    case 'Q':
      return host::Value(
          host::UnsignedInteger{send<unsigned long long>(number, sel<"unsignedLongLongValue">())});
    default:
      return host::Value(
          static_cast<std::int64_t>(send<long long>(number, sel<"longLongValue">())));
  }
}

host::Data dataFrom(id data) {
  const auto* bytes = send<const std::uint8_t*>(data, sel<"bytes">());
  const auto length = send<unsigned long>(data, sel<"length">());
  return host::Data{std::vector<std::uint8_t>(bytes, bytes + (bytes ? length : 0))};
}

host::Array arrayFrom(id array) {
  host::Array values;
  const auto count = send<unsigned long>(array, sel<"count">());
  for (unsigned long i = 0; i < count; ++i) {
    if (auto value = valueFrom(send<id>(array, sel<"objectAtIndex:">(), i)))
      values.push_back(std::move(*value));
  }
  return values;
}

Owned makeNumber(const char* initializer, auto argument) {
  SEL selector = sel_registerName(initializer);
  return Owned(send<id>(send<id>(cls<"NSNumber">(), sel<"alloc">()), selector, argument));
}

Owned makeArray(const host::Array& values) {
  Owned array(send<id>(send<id>(cls<"NSMutableArray">(), sel<"alloc">()),
                       sel<"initWithCapacity:">(), static_cast<unsigned long>(values.size())));
  for (const host::Value& value : values) {
    Owned element = makeValue(value);
    send<void>(array.get(), sel<"addObject:">(), element.get());
  }
  return array;
}

Owned makeData(const host::Data& data) {
  return Owned(send<id>(send<id>(cls<"NSData">(), sel<"alloc">()), sel<"initWithBytes:length:">(),
                        static_cast<const void*>(data.bytes.data()),
                        static_cast<unsigned long>(data.bytes.size())));
}

}  // namespace

Owned::~Owned() { objc::release(object_); }

// Unguarded: making a pool raises nothing, and an outer pool would otherwise guard it.
PoolScope::PoolScope() : pool_(sendUnguarded<id>(cls<"NSAutoreleasePool">(), sel<"new">())) {}
PoolScope::~PoolScope() { sendUnguarded<void>(pool_, sel<"drain">()); }

void retain(id object) { sendUnguarded<id>(object, sel<"retain">()); }
void release(id object) { sendUnguarded<void>(object, sel<"release">()); }

bool isKindOfClass(id object, id cls) {
  return cls && send<BOOL>(object, sel<"isKindOfClass:">(), cls);
}

Owned makeString(std::string_view text) {
  return Owned(send<id>(send<id>(cls<"NSString">(), sel<"alloc">()),
                        sel<"initWithBytes:length:encoding:">(),
                        static_cast<const void*>(text.data()),
                        static_cast<unsigned long>(text.size()), kUTF8StringEncoding));
}

std::optional<std::string> stringFrom(id string) {
  if (!isKindOfClass(string, cls<"NSString">())) return std::nullopt;
  const char* utf8 = send<const char*>(string, sel<"UTF8String">());
  return std::string(utf8 ? utf8 : "");
}

Owned makeDate(host::Date date) {
  return Owned(send<id>(send<id>(cls<"NSDate">(), sel<"alloc">()),
                        sel<"initWithTimeIntervalSince1970:">(), date.secondsSince1970));
}

std::optional<host::Date> dateFrom(id date) {
  if (!isKindOfClass(date, cls<"NSDate">())) return std::nullopt;
  return host::Date{send<double>(date, sel<"timeIntervalSince1970">())};
}

// By alternative, without std::visit: the phone's C++ library has no variant access that can
// throw before iOS 12.
Owned makeValue(const host::Value& value) {
  static_assert(std::variant_size_v<host::Value::Storage> == 9,
                "every kind of value needs its Foundation object here");
  if (const bool* b = value.get<bool>()) return makeNumber("initWithBool:", BOOL(*b));
  if (const auto* i = value.get<std::int64_t>())
    return makeNumber("initWithLongLong:", static_cast<long long>(*i));
  if (const auto* u = value.get<host::UnsignedInteger>())
    return makeNumber("initWithUnsignedLongLong:", static_cast<unsigned long long>(u->value));
  if (const double* d = value.get<double>()) return makeNumber("initWithDouble:", *d);
  if (const auto* text = value.get<std::string>()) return makeString(*text);
  if (const auto* data = value.get<host::Data>()) return makeData(*data);
  if (const auto* date = value.get<host::Date>()) return makeDate(*date);
  if (const auto* array = value.get<host::Array>()) return makeArray(*array);
  return makeDictionary(*value.get<host::Dictionary>());
}

std::optional<host::Value> valueFrom(id object) {
  if (!object) return std::nullopt;
  if (isKindOfClass(object, cls<"NSNumber">())) return numberFrom(object);
  if (auto text = stringFrom(object)) return host::Value(std::move(*text));
  if (auto date = dateFrom(object)) return host::Value(*date);
  if (isKindOfClass(object, cls<"NSData">())) return host::Value(dataFrom(object));
  if (isKindOfClass(object, cls<"NSArray">())) return host::Value(arrayFrom(object));
  if (auto dictionary = dictionaryFrom(object)) return host::Value(std::move(*dictionary));
  return std::nullopt;
}

Owned makeDictionary(const host::Dictionary& entries) {
  Owned dictionary(send<id>(send<id>(cls<"NSMutableDictionary">(), sel<"alloc">()),
                            sel<"initWithCapacity:">(),
                            static_cast<unsigned long>(entries.size())));
  for (const auto& [key, value] : entries) {
    Owned nsKey = makeString(key);
    Owned nsValue = makeValue(value);
    send<void>(dictionary.get(), sel<"setObject:forKey:">(), nsValue.get(), nsKey.get());
  }
  return dictionary;
}

id propertyListFromData(id data) {
  if (!data) return nullptr;
  const auto* bytes = send<const char*>(data, sel<"bytes">());
  const auto length = send<unsigned long>(data, sel<"length">());
  if (!plist::withinLimits(std::string_view(bytes, length))) return nullptr;
  // GNUstep's reader raises on a malformed list, where the phone's answers nil.
  try {
    return sendGuarded<id>(cls<"NSPropertyListSerialization">(),
                           sel<"propertyListWithData:options:format:error:">(), data, 0ul,
                           static_cast<void*>(nullptr), static_cast<id*>(nullptr));
  } catch (const host::PlatformException&) {
    return nullptr;
  }
}

id propertyListWithContentsOfFile(id path) {
  return propertyListFromData(send<id>(cls<"NSData">(), sel<"dataWithContentsOfFile:">(), path));
}

std::optional<host::Dictionary> dictionaryFrom(id object) {
  if (!isKindOfClass(object, cls<"NSDictionary">())) return std::nullopt;
  PoolScope pool;
  host::Dictionary entries;
  id keys = send<id>(object, sel<"allKeys">());
  const auto count = send<unsigned long>(keys, sel<"count">());
  for (unsigned long i = 0; i < count; ++i) {
    id key = send<id>(keys, sel<"objectAtIndex:">(), i);
    auto name = stringFrom(key);
    auto value = valueFrom(send<id>(object, sel<"objectForKey:">(), key));
    if (name && value) entries.insert_or_assign(std::move(*name), std::move(*value));
  }
  return entries;
}

}  // namespace nimbrel::objc
