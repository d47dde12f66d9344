/* The root of the test shell's classes, and what the shell's pieces share: the record of the
 * last calls of replaced methods and the hooks that release each piece at shutdown. */
#ifndef NIMBREL_OBJC_TEST_SHELL_TS_OBJECT_H
#define NIMBREL_OBJC_TEST_SHELL_TS_OBJECT_H

#import <Foundation/Foundation.h>

#include "objc/test_shell/geometry.h"
#include "objc/test_shell/test_shell.h"

/* Counts its live instances, so that tests see what the shell and the add-on leave behind. */
@interface TSObject : NSObject
@end

/* Setters' bodies: `*slot` takes `value` retained, or a copy of it, and lets go of the old. */
static inline void TSAssignRetained(id* slot, id value) {
  [value retain];
  [*slot release];
  *slot = value;
}

static inline void TSAssignCopy(id* slot, id value) {
  id copy = [value copy];
  [*slot release];
  *slot = copy;
}

/* Records a call of an original method under its selector's name. The receiver is kept by
 * identity only (not retained); the object argument is retained until the next call of the
 * same method or shutdown. */
void TSRecordCall(const char* selector, id receiver, long integer, BOOL flag, id object);
/* Tells the call observer (TSSetCallObserver) only, without recording the call. */
void TSTellCallObserver(const char* selector, id receiver, long integer, BOOL flag, id object);
void TSForgetCalls(void);

/* Releases what each piece holds; called by TSShutdown. */
void TSUIKitShutdown(void);
void TSWeatherShutdown(void);

#endif
