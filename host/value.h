// Property-list values as the platform hands them over (NSNumber, NSString, NSArray, ...),
// with Foundation's own numeric readings.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace host {

// A point in time, in seconds since 1970 (NSDate timeIntervalSince1970).
struct Date {
  double secondsSince1970 = 0;
  friend bool operator==(const Date&, const Date&) = default;
};

struct Data {
  std::vector<std::uint8_t> bytes;
  friend bool operator==(const Data&, const Data&) = default;
};

class Value;
using Array = std::vector<Value>;
using Dictionary = std::map<std::string, Value, std::less<>>;

// NSNumber keeps whether it holds an integer, an unsigned 64-bit integer, a real or a boolean;
// the readings differ between them.
struct UnsignedInteger {
  std::uint64_t value = 0;
  friend bool operator==(const UnsignedInteger&, const UnsignedInteger&) = default;
};

class Value {
 public:
  using Storage = std::variant<bool, std::int64_t, UnsignedInteger, double, std::string, Data, Date,
                               Array, Dictionary>;

  Value(bool b) : storage_(b) {}
  Value(int i) : storage_(std::int64_t{i}) {}
  Value(std::int64_t i) : storage_(i) {}
  Value(UnsignedInteger u) : storage_(u) {}
  Value(double d) : storage_(d) {}
  Value(std::string s) : storage_(std::move(s)) {}
  Value(const char* s) : storage_(std::string(s)) {}
  Value(Data d) : storage_(std::move(d)) {}
  Value(Date d) : storage_(d) {}
  Value(Array a) : storage_(std::move(a)) {}
  Value(Dictionary d) : storage_(std::move(d)) {}

  const Storage& storage() const { return storage_; }
  template <class T>
  bool is() const {
    return std::holds_alternative<T>(storage_);
  }
  template <class T>
  const T* get() const {
    return std::get_if<T>(&storage_);
  }
  template <class T>
  T* get() {
    return std::get_if<T>(&storage_);
  }

  // Numbers, booleans and strings answer boolValue, intValue and doubleValue. Sending
  // them to an array, dictionary, date or data raises the platform's
  // NSInvalidArgumentException ("unrecognized selector"), as it does on the phone.
  bool hasNumericReading() const;
  bool boolValue() const;
  std::int32_t intValue() const;
  double doubleValue() const;

  friend bool operator==(const Value&, const Value&) = default;

 private:
  Storage storage_;
};

// objectForKey: on a dictionary that may be absent: none when either is missing.
inline const Value* objectForKey(const Dictionary* dictionary, std::string_view key) {
  if (!dictionary) return nullptr;
  auto found = dictionary->find(key);
  return found == dictionary->end() ? nullptr : &found->second;
}

}  // namespace host
