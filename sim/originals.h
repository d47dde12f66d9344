// The platform's own implementation of each method host/methods.def replaces, defined by the
// class that owns it (the shell's classes, the asset loader), each named as its row.
#pragma once

#include <type_traits>

#include "host/methods.h"
#include "sim/runtime/runtime.h"

namespace sim::originals {

#define NIMBREL_REPLACED(row, Signature, cls, sign) \
  std::remove_pointer_t<host::methods::Signature::Imp> row;
#define NIMBREL_ADDED(row, Signature, cls, sign)
#include "host/methods.def"

// Gives `cls` the original of each replaced row whose class it is, a class method's to its
// metaclass.
void defineFor(Runtime& runtime, host::Class& cls);

}  // namespace sim::originals
