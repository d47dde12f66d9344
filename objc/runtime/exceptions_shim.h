/* Catching and raising Objective-C exceptions, for callers in C++. */
#ifndef NIMBREL_OBJC_EXCEPTIONS_SHIM_H
#define NIMBREL_OBJC_EXCEPTIONS_SHIM_H

#include <objc/objc.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Runs body(context): nil when it returned, or the NSException it raised, retained for the
 * caller. Nothing is copied out of the exception here, so a message that raises nothing pays
 * for nothing but the call. */
id nimbrel_objc_try(void (*body)(void*), void* context);
/* Raises `exception` (an NSException or a subclass) as it is: the same object, so a handler
 * above sees its class, name, reason and user info. Never returns. */
__attribute__((noreturn)) void nimbrel_objc_raise(id exception);
/* Called inside a handler: 1 when the exception being handled, thrown again by `rethrow`, is
 * an Objective-C one, caught here as an object; any other passes through to the caller. On
 * Apple's runtime an NSException is a C++ exception too, and this is how the two differ. */
int nimbrel_objc_rethrown_is_object(void (*rethrow)(void));

#ifdef __cplusplus
}
#endif

#endif
