// Classes a scenario takes away from the process, and the hook trace of the add-on's runtime
// calls (see runtime_watch.cpp).
#pragma once

#include <string>

namespace nimsim::objcshell {

// An absent class is never found by name; a late one only after loadLateClasses.
void setClassAbsent(const std::string& name, bool absent);
void setClassLate(const std::string& name, bool late);
void loadLateClasses();
// The class as the device defines it, for the shell's own use: none where the device lacks
// it; a late one whether its framework has loaded or not, since only look-ups by name wait.
id deviceClass(const char* name);
// Whether the code at `caller` is the add-on library's (known from its first traced load).
bool calledByAddon(const void* caller);
// Traces the runtime calls made from the library at that path while `on`.
void traceHooksFrom(const std::string& libraryPath, bool on);

}  // namespace nimsim::objcshell
