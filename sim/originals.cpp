#include "sim/originals.h"

#include "host/method_table.h"

namespace sim::originals {

void defineFor(Runtime& runtime, host::Class& cls) {
  auto define = [&]<class Method>(const host::methods::MethodRow& row, typename Method::Imp imp) {
    if (row.className != cls.name()) return;
    runtime.defineMethod<Method>(row.classMethod ? *host::metaclassOf(&cls) : cls, imp);
  };
#define NIMBREL_REPLACED(row, Signature, cls, sign) \
  define.template operator()<host::methods::Signature>(host::methods::rows::row, &row);
#define NIMBREL_ADDED(row, Signature, cls, sign)
#include "host/methods.def"
}

}  // namespace sim::originals
