/* Catching and raising Objective-C exceptions, for callers in C++. */
#ifndef NIMBREL_OBJC_EXCEPTIONS_SHIM_H
#define NIMBREL_OBJC_EXCEPTIONS_SHIM_H

#define NIMBREL_EXCEPTION_TEXT_SIZE 256

#ifdef __cplusplus
extern "C" {
#endif

/* Runs body(context); 1 with the exception's name and reason (each cut to
 * NIMBREL_EXCEPTION_TEXT_SIZE bytes) when it raised an NSException, else 0. */
int nimbrel_objc_try(void (*body)(void*), void* context, char* name, char* reason);
/* Raises an NSException of that name and reason; never returns. */
__attribute__((noreturn)) void nimbrel_objc_raise(const char* name, const char* reason);

#ifdef __cplusplus
}
#endif

#endif
