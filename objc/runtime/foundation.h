// Foundation objects the binding makes and reads: ownership by scope, autorelease pools,
// strings, dates and property-list values.
#pragma once

#include <objc/objc.h>

#include <optional>
#include <string>
#include <string_view>

#include "host/object.h"
#include "host/value.h"

namespace nimbrel::objc {

// One reference the binding owns (from alloc/init, copy or retain), released at scope end.
class Owned {
 public:
  Owned() = default;
  explicit Owned(id object) : object_(object) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : object_(other.release()) {}
  ~Owned();
  id get() const { return object_; }
  // Hands the reference on to the caller.
  id release() {
    id object = object_;
    object_ = nullptr;
    return object;
  }

 private:
  id object_ = nullptr;
};

// An autorelease pool for the objects Foundation hands back autoreleased. An NSException
// raised inside it may itself be autoreleased there, so none may unwind through the pool's
// drain as itself: inside, every message is guarded, and what passes through the drain is a
// C++ exception that holds its NSException.
class PoolScope {
 public:
  PoolScope();
  ~PoolScope();
  PoolScope(const PoolScope&) = delete;
  PoolScope& operator=(const PoolScope&) = delete;

 private:
  id pool_;
  host::ExpectPlatformException guardedInside_;
};

void retain(id object);
void release(id object);
bool isKindOfClass(id object, id cls);

Owned makeString(std::string_view text);
// UTF8String of an NSString; none for nil or for an object that is not a string.
std::optional<std::string> stringFrom(id string);

Owned makeDate(host::Date date);
std::optional<host::Date> dateFrom(id date);

// A property-list value as Foundation holds it, and back: NSNumber (boolean, integer,
// unsigned, real), NSString, NSData, NSDate, NSArray, NSDictionary. Anything else is none;
// dictionary entries whose key is not a string are left out, as no platform key can name them.
Owned makeValue(const host::Value& value);
std::optional<host::Value> valueFrom(id object);
Owned makeDictionary(const host::Dictionary& dictionary);
std::optional<host::Dictionary> dictionaryFrom(id object);

// The property list in NSData, handed to NSPropertyListSerialization only within the limits
// every platform keeps (plist/limits.h): Foundation's reader recurses once per nesting level,
// and a list nested a few hundred thousand levels deep would end the shell. Autoreleased; nil
// for no data and for a malformed, oversized or too deeply nested list.
id propertyListFromData(id data);
// The same for a file (an NSString path), read with +[NSData dataWithContentsOfFile:].
id propertyListWithContentsOfFile(id path);

}  // namespace nimbrel::objc
