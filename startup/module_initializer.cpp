// The library's only module initialiser, run by the loader when the hook engine maps it in.
// Kept out of the static library the unit tests link, where no process would be ready for it.
#include "startup/install_hooks.h"

__attribute__((constructor)) static void runInstallHooks() { nimbrel::installHooks(); }
