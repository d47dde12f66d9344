// Classes a scenario takes away from the process, and the hook trace of the add-on's runtime
// calls (see runtime_watch.cpp).
#pragma once

#include <string>

namespace nimsim::objcshell {

// An absent class is never found by name; a late one only after loadLateClasses.
void setClassAbsent(const std::string& name, bool absent);
void setClassLate(const std::string& name, bool late);
void loadLateClasses();
// The class as the add-on finds it by name: none while the device lacks it.
id deviceClass(const char* name);
// Whether the code at `caller` is the add-on library's (known from its first traced load).
bool calledByAddon(const void* caller);
// Traces the runtime calls made from the library at that path while `on`.
void traceHooksFrom(const std::string& libraryPath, bool on);

}  // namespace nimsim::objcshell
