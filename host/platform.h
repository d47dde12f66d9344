// The one entry to the host: every service and every object the system reaches comes
// through here.
#pragma once

#include <memory>

#include "host/methods.h"
#include "host/runtime.h"
#include "host/services.h"
#include "host/shell.h"
#include "host/strings.h"
#include "host/views.h"
#include "host/weather.h"

namespace host {

// Objects the system makes from classes it names directly rather than through its cache.
class Factory {
 public:
  virtual ~Factory() = default;
  // City alloc, init: an empty city.
  virtual std::shared_ptr<City> newCity() = 0;
  // City alloc, initWithDictionaryRepresentation:
  virtual std::shared_ptr<City> newCity(const Dictionary& representation) = 0;
  // CLLocation alloc, initWithLatitude:longitude:
  virtual std::shared_ptr<Location> newLocation(double latitude, double longitude) = 0;
  // UIColor whiteColor
  virtual std::shared_ptr<Color> whiteColor() = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;
  virtual Runtime& runtime() = 0;
  virtual ProcessInfo& processInfo() = 0;
  virtual Preferences& preferences() = 0;
  virtual PropertyListFiles& files() = 0;
  virtual NotificationCenter& darwinNotifyCenter() = 0;
  virtual NotifyState& notifyState() = 0;
  virtual Screen& mainScreen() = 0;
  virtual Alerts& alerts() = 0;
  virtual RunLoop& runLoop() = 0;
  virtual Clock& clock() = 0;
  virtual Random& random() = 0;
  virtual Factory& factory() = 0;
  virtual SystemLog& systemLog() = 0;
};

// The platform of the process the system runs in. Defined by the platform's implementation,
// not by the system.
Platform& platform();

// objc_getClass followed by the class's typed interface: none when the process has no such
// class.
template <class TypedClass>
TypedClass* lookUpClass(std::string_view name) {
  return dynamic_cast<TypedClass*>(platform().runtime().getClass(name));
}

}  // namespace host
