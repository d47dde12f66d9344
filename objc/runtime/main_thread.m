/* The interface thread, as each platform offers it: libdispatch's main queue on the phone, the
 * main run loop's performer on GNUstep, which has no libdispatch. */
#import <Foundation/Foundation.h>

#include "objc/runtime/main_thread.h"

#if defined(__APPLE__)
#include <dispatch/dispatch.h>
#endif

int nimbrel_objc_is_main_thread(void) { return [NSThread isMainThread] ? 1 : 0; }

#if defined(__APPLE__)

void nimbrel_objc_on_main_thread(void (*work)(void*), void* context) {
  dispatch_async_f(dispatch_get_main_queue(), context, work);
}

#else

/* One piece of work on its way to the main run loop, which retains it until it has run. */
@interface NBMainThreadWork : NSObject {
  void (*_work)(void*);
  void* _context;
}
- (id)initWithWork:(void (*)(void*))work context:(void*)context;
- (void)run;
@end

@implementation NBMainThreadWork

- (id)initWithWork:(void (*)(void*))work context:(void*)context {
  self = [super init];
  if (!self) return nil;
  _work = work;
  _context = context;
  return self;
}

- (void)run {
  _work(_context);
}

@end

void nimbrel_objc_on_main_thread(void (*work)(void*), void* context) {
  NSAutoreleasePool* pool = [NSAutoreleasePool new];
  NBMainThreadWork* handOver = [[NBMainThreadWork alloc] initWithWork:work context:context];
  [handOver performSelectorOnMainThread:@selector(run) withObject:nil waitUntilDone:NO];
  [handOver release];
  [pool drain];
}

#endif
