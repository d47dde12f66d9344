// The object model of the platform's runtime: objects, classes, selectors and the
// platform's exception.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace host {

class Class;

// Every platform object knows its runtime class. Strong references are shared pointers;
// an absent object is a null pointer.
class Object {
 public:
  virtual ~Object() = default;
  virtual Class& objectClass() const = 0;

  // isMemberOfClass: exact class, a subclass does not match.
  bool isMemberOfClass(const Class* cls) const { return cls != nullptr && &objectClass() == cls; }
};

using Id = std::shared_ptr<Object>;

struct Selector {
  std::string_view name;
  friend bool operator==(Selector, Selector) = default;
};

// A class object. Class methods live in its metaclass, reached with object_getClass.
class Class : public Object {
 public:
  virtual std::string_view name() const = 0;
  virtual Class* superclass() const = 0;
  virtual bool isMetaclass() const = 0;
};

// NSException and its subclasses: what the platform raises for a message it cannot
// handle, an out-of-range argument or an invalid layer. Escaping into the shell, it
// would crash the shell.
class PlatformException : public std::runtime_error {
 public:
  PlatformException(std::string name, const std::string& reason)
      : std::runtime_error(reason), name_(std::move(name)) {}
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

}  // namespace host
