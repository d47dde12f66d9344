/* The system services a Linux process stands in for, with the phone's contracts: the Darwin
 * notify center and notify state. The process the add-on is loaded into provides them (here
 * the test shell), as the system does on the phone. */
#ifndef NIMBREL_OBJC_STAND_INS_H
#define NIMBREL_OBJC_STAND_INS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Registers an observer of a Darwin notification; never removed. `suspensionBehavior` is
 * CFNotificationSuspensionBehavior's value (1 drop, 2 coalesce, 3 hold, 4 deliver immediately),
 * which only matters while the process is suspended. */
void nimbrel_darwin_add_observer(const char* name,
                                 void (*callback)(void* context, const char* name), void* context,
                                 int suspensionBehavior);
/* Posts a Darwin notification: every observer of the name is called, in registration order. */
void nimbrel_darwin_post(const char* name);

/* notify(3), with its status codes. */
uint32_t notify_register_check(const char* name, int* token);
uint32_t notify_get_state(int token, uint64_t* state);
uint32_t notify_set_state(int token, uint64_t state);
uint32_t notify_cancel(int token);

#ifdef __cplusplus
}
#endif

#endif
