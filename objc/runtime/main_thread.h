/* The interface thread: whether the caller is on it, and handing work over to it. */
#ifndef NIMBREL_OBJC_MAIN_THREAD_H
#define NIMBREL_OBJC_MAIN_THREAD_H

#ifdef __cplusplus
extern "C" {
#endif

/* 1 on the process's main thread, where the shell's interface runs. */
int nimbrel_objc_is_main_thread(void);
/* Runs work(context) later on the main thread, in a turn of its own: the main queue on the
 * phone, the main run loop here. Returns at once. */
void nimbrel_objc_on_main_thread(void (*work)(void*), void* context);

#ifdef __cplusplus
}
#endif

#endif
