// The runtime as the add-on meets it in the shell process: classes a scenario takes away are
// not found by name (a late framework's until it loads), and while the add-on installs its
// hooks, what each of its runtime calls did is traced as the simulated hook engine says it.
// The functions below come before libobjc's for every library in the process (the shell
// process exports its symbols); each only watches, and calls on to libobjc's own.
#include <dlfcn.h>
#include <objc/runtime.h>

#include <map>
#include <set>
#include <string>

#include "simulator/objc_shell/process_state.h"
#include "simulator/objc_shell/runtime_watch.h"

namespace nimsim::objcshell {
namespace {

struct Watch {
  std::set<std::string, std::less<>> absent, late;  // looked up by C string, not copied
  bool lateLoaded = false;
  bool tracing = false;
  std::string addonPath;
  const void* addonBase = nullptr;
  // The binding looks a method up in the class, then in its superclass to tell an inherited
  // one: a miss there is no missing method.
  SEL lastFound = nullptr;
  // Where each Method the add-on looked up came from, for the trace of its replacement.
  std::map<Method, std::pair<Class, SEL>> looked;
};

Watch& watch() {
  static Watch w;
  return w;
}

template <class F>
F next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

bool hidden(const char* name) {
  if (!name) return false;
  const Watch& w = watch();
  return w.absent.count(name) || (!w.lateLoaded && w.late.count(name));
}

// The runtime resolves its own classes by name as well (superclasses, for one), and so does
// the shell's own code as clang compiles it: those look-ups see every class, hidden or not.
bool fromRuntime(const void* caller) {
  static const void* runtimeBase = [] {
    Dl_info info{};
    return dladdr(dlsym(RTLD_NEXT, "objc_getClass"), &info) ? info.dli_fbase : nullptr;
  }();
  static const void* shellBase = [] {
    Dl_info info{};
    return dladdr(reinterpret_cast<const void*>(&traceHooksFrom), &info) ? info.dli_fbase : nullptr;
  }();
  Dl_info info{};
  return dladdr(caller, &info) && (info.dli_fbase == runtimeBase || info.dli_fbase == shellBase);
}

// Whether the call came from the add-on's library, while its hooks go in.
bool fromAddon(const void* caller) { return watch().tracing && calledByAddon(caller); }

facts::Method methodOf(Class cls, SEL selector) {
  return {class_getName(cls), sel_getName(selector), class_isMetaClass(cls) != 0};
}

}  // namespace

bool calledByAddon(const void* caller) {
  Watch& w = watch();
  if (w.addonPath.empty()) return false;
  Dl_info info{};
  if (!dladdr(caller, &info)) return false;
  if (!w.addonBase && info.dli_fname && w.addonPath == info.dli_fname) w.addonBase = info.dli_fbase;
  return w.addonBase && info.dli_fbase == w.addonBase;
}

void setClassAbsent(const std::string& name, bool absent) {
  if (absent)
    watch().absent.insert(name);
  else
    watch().absent.erase(name);
}

void setClassLate(const std::string& name, bool late) {
  if (late)
    watch().late.insert(name);
  else
    watch().late.erase(name);
}

void loadLateClasses() { watch().lateLoaded = true; }

id deviceClass(const char* name) {
  return name && watch().absent.count(name) ? nullptr : reinterpret_cast<id>(objc_getClass(name));
}

void traceHooksFrom(const std::string& libraryPath, bool on) {
  Watch& w = watch();
  if (w.addonPath != libraryPath) w.addonBase = nullptr;
  w.addonPath = libraryPath;
  w.tracing = on;
  w.lastFound = nullptr;
  if (!on) w.looked.clear();
}

}  // namespace nimsim::objcshell

using nimsim::objcshell::fromAddon;
using nimsim::objcshell::fromRuntime;
using nimsim::objcshell::hidden;
using nimsim::objcshell::methodOf;
using nimsim::objcshell::next;
using nimsim::objcshell::state;
using nimsim::objcshell::watch;
using nimsim::objcshell::Watch;

extern "C" {

// Told by the binding's hook engine of a row whose class the process lacks.
void nimbrel_hook_found_no_class(const char* selector, int adding) {
  state().add(facts::HookFoundNoClass{selector, adding != 0});
}

Class objc_getClass(const char* name) {
  static auto original = next<Class (*)(const char*)>("objc_getClass");
  return hidden(name) && !fromRuntime(__builtin_return_address(0)) ? nullptr : original(name);
}

Class objc_lookUpClass(const char* name) {
  static auto original = next<Class (*)(const char*)>("objc_lookUpClass");
  return hidden(name) && !fromRuntime(__builtin_return_address(0)) ? nullptr : original(name);
}

Method class_getInstanceMethod(Class cls, SEL selector) {
  static auto original = next<Method (*)(Class, SEL)>("class_getInstanceMethod");
  Method found = original(cls, selector);
  if (fromAddon(__builtin_return_address(0))) {
    Watch& w = watch();
    if (found)
      w.looked.emplace(found, std::pair{cls, selector});
    else if (cls && w.lastFound != selector)
      state().add(facts::MethodHooked{facts::HookResult::noMethod, methodOf(cls, selector)});
    w.lastFound = found ? selector : nullptr;
  }
  return found;
}

IMP method_setImplementation(Method method, IMP imp) {
  static auto original = next<IMP (*)(Method, IMP)>("method_setImplementation");
  if (fromAddon(__builtin_return_address(0))) {
    auto found = watch().looked.find(method);
    if (found != watch().looked.end())
      state().add(facts::MethodHooked{facts::HookResult::replaced,
                                      methodOf(found->second.first, found->second.second)});
  }
  return original(method, imp);
}

BOOL class_addMethod(Class cls, SEL selector, IMP imp, const char* types) {
  static auto original = next<BOOL (*)(Class, SEL, IMP, const char*)>("class_addMethod");
  static auto lookUp = next<Method (*)(Class, SEL)>("class_getInstanceMethod");
  const bool traced = fromAddon(__builtin_return_address(0));
  Class superclass = cls ? class_getSuperclass(cls) : nullptr;
  const bool inherited = superclass && lookUp(superclass, selector);
  const BOOL added = original(cls, selector, imp, types);
  if (traced)
    state().add(facts::MethodHooked{
        added ? (inherited ? facts::HookResult::overrodeInherited : facts::HookResult::added)
              : facts::HookResult::keptExisting,
        methodOf(cls, selector)});
  return added;
}

}  // extern "C"
