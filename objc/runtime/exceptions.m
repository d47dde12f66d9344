/* The one place that catches Objective-C exceptions: a C++ caller cannot, since neither
 * compiler lets C++ code see an NSException object on this runtime. Plain C in Objective-C, so
 * that GCC's and clang's front ends build it alike; C++ exceptions pass through untouched. */
#import <Foundation/Foundation.h>

#include "objc/runtime/exceptions_shim.h"

id nimbrel_objc_try(void (*body)(void*), void* context) {
  @try {
    body(context);
  } @catch (NSException* exception) {
    return [exception retain];
  }
  return nil;
}

void nimbrel_objc_raise(id exception) {
  @throw(NSException*) exception;
  __builtin_unreachable();
}

int nimbrel_objc_rethrown_is_object(void (*rethrow)(void)) {
  @try {
    rethrow();
  } @catch (id exception) {
    return 1;
  }
  return 0;
}
