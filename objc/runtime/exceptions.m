/* The one place that catches Objective-C exceptions: a C++ caller cannot, since neither
 * compiler lets C++ code see an NSException object on this runtime. Plain C in Objective-C, so
 * that GCC's and clang's front ends build it alike; C++ exceptions pass through untouched. */
#import <Foundation/Foundation.h>

#include <string.h>

#include "objc/runtime/exceptions_shim.h"

static void copyText(NSString* text, char* buffer, size_t size) {
  const char* utf8 = [text UTF8String];
  if (!utf8) utf8 = "";
  strncpy(buffer, utf8, size - 1);
  buffer[size - 1] = '\0';
}

int nimbrel_objc_try(void (*body)(void*), void* context, char* name, char* reason) {
  @try {
    body(context);
  } @catch (NSException* exception) {
    copyText([exception name], name, NIMBREL_EXCEPTION_TEXT_SIZE);
    copyText([exception reason], reason, NIMBREL_EXCEPTION_TEXT_SIZE);
    return 1;
  }
  return 0;
}

void nimbrel_objc_raise(const char* name, const char* reason) {
  [NSException raise:[NSString stringWithUTF8String:name]
              format:@"%@", [NSString stringWithUTF8String:reason]];
  __builtin_unreachable();
}
