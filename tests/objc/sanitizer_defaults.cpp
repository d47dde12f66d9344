// GNUstep keeps allocations it never frees: its runtime's from start-up, and one its
// property-list writer makes at first use (62 bytes, whatever is written). Only those are let
// through: the runtime's by a suppression (finding them takes the slow unwinder, as libobjc has
// no frame pointers), the writer's by making it once before any test with leak detection off.
// Built into the test programs themselves, so that test discovery runs with them.
#include <objc/message.h>
#include <objc/runtime.h>

#if defined(__SANITIZE_ADDRESS__)
#define NIMBREL_LEAK_CHECKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NIMBREL_LEAK_CHECKS 1
#endif
#endif

#if defined(NIMBREL_LEAK_CHECKS)
#include <sanitizer/lsan_interface.h>

extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
extern "C" const char* __lsan_default_suppressions() { return "leak:libobjc.so\n"; }

namespace {

template <class R = id, class... Args>
R message(id receiver, const char* selector, Args... args) {
  SEL name = sel_registerName(selector);
  auto imp = reinterpret_cast<R (*)(id, SEL, Args...)>(
      reinterpret_cast<void (*)()>(objc_msg_lookup(receiver, name)));
  return imp(receiver, name, args...);
}

id classNamed(const char* name) { return reinterpret_cast<id>(objc_getClass(name)); }

// The writer's first use, as NSPropertyListSerialization makes it for any dictionary.
const bool propertyListWriterReady = [] {
  __lsan_disable();
  id pool = message(classNamed("NSAutoreleasePool"), "new");
  message(classNamed("NSPropertyListSerialization"), "dataWithPropertyList:format:options:error:",
          message(classNamed("NSDictionary"), "dictionary"), 100ul, 0ul, static_cast<id*>(nullptr));
  message<void>(pool, "drain");
  __lsan_enable();
  return true;
}();

}  // namespace
#endif
