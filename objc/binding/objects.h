// The host objects the binding makes, chosen by the Objective-C class they stand for.
#pragma once

#include <objc/objc.h>

#include <memory>

#include "host/object.h"

namespace nimbrel::objc {

// A new host object for `object`, of the host type its class calls for (a background, a
// label, a city, ...; any other view may be a date view; anything else a plain object).
std::unique_ptr<host::Object> makeHostObject(id object, Class cls);
// A new host class for `cls`: typed where the add-on sends it class methods.
std::unique_ptr<host::Class> makeHostClass(Class cls);

}  // namespace nimbrel::objc
