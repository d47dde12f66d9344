// Start-up: decides whether to act in this process and puts the add-on into the shell.
#pragma once

#include <string>
#include <type_traits>
#include <vector>

#include "host/methods.h"

namespace nimbrel {

// True when the first launch argument's last path component is exactly "SpringBoard".
bool isShellProcess(const std::vector<std::string>& arguments);

// The library's module initialiser. In the shell: loads the settings, registers the three
// notification observers and installs the method table; anywhere else it does nothing.
void installHooks();

// installHooks as the loader runs it: whatever it raises or throws ends here, logged once
// ("Nimbrel: caught ... in the library's initialiser"), since an exception out of a library's
// initialiser would end the shell at every launch.
void installHooksAtLoad() noexcept;

// The add-on's routine for each row of host/methods.def, of the row's signature; each is
// defined in the subsystem that owns it.
#define NIMBREL_METHOD(row, Signature, cls, sign, change) \
  std::remove_pointer_t<host::methods::Signature::Imp> row;
#include "host/methods.def"

}  // namespace nimbrel
