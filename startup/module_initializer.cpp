// The library's only module initialiser, run by the loader when the hook engine maps it in.
// Kept out of the static library the unit tests link, where no process would be ready for it.
#include "startup/install_hooks.h"
#include "state/shared_state.h"

__attribute__((constructor)) static void runInstallHooks() { nimbrel::installHooksAtLoad(); }

#if !defined(__APPLE__)
// Here a simulated process's end unloads the library with dlclose, where on the phone the kernel
// takes the whole process: the state lets go of what it holds then, so that no object outlives
// its process. On the phone the state is kept to the very end (shared_state.h).
__attribute__((destructor)) static void releaseStateAtUnload() { nimbrel::resetState(); }
#endif
