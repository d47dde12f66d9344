// The world over the real Objective-C runtime: the device's files in a temporary folder, and
// the shell as a child process (nimsim-objc-shell) running the test shell with the add-on
// library the binding builds (shell_processes.h). A boot or respring starts a new process.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "simulator/world.h"

namespace nimsim {

// The shell process and the add-on library it loads; a missing one is said at construction
// (std::invalid_argument) rather than at the first boot.
struct ObjcPaths {
  std::string shell;
  std::string library;
};

// Where the build put them; NIMSIM_OBJC_SHELL and NIMSIM_OBJC_ADDON override.
ObjcPaths defaultObjcPaths();

std::unique_ptr<World> makeObjcWorld(const ObjcPaths& paths);

}  // namespace nimsim
