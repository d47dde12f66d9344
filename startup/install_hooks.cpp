#include "startup/install_hooks.h"

#include "events/lock_events.h"
#include "host/method_table.h"
#include "host/platform.h"
#include "startup/guarded_method.h"
#include "startup/load_settings.h"
#include "state/entries.h"
#include "state/shared_state.h"

namespace nimbrel {

namespace {

namespace methods = host::methods;

// An observer as the center calls it: a raise inside ends in the log, not in the run loop.
template <host::NotificationCallback observe>
void observer(host::NotificationCenter* center, void* context, const char* name, const void* object,
              const host::Dictionary* userInfo) {
  catchAtEntry(name ? name : "a Darwin notification",
               [&] { observe(center, context, name, object, userInfo); });
}

void registerObservers() {
  host::NotificationCenter& center = host::platform().darwinNotifyCenter();
  center.addObserver(nullptr, observer<loadSettings>, kSettingsChangedNotification, nullptr,
                     host::SuspensionBehavior::coalesce);
  center.addObserver(nullptr, observer<onLockComplete>, kLockCompleteNotification, nullptr,
                     host::SuspensionBehavior::deliverImmediately);
  center.addObserver(nullptr, observer<onDisplayStatus>, kDisplayStatusNotification, nullptr,
                     host::SuspensionBehavior::deliverImmediately);
}

// A replaced row: the routine installed guarded (guarded_method.h), named in the log as the
// row's method.
template <class Method, typename Method::Imp routine>
void replace(host::Runtime& runtime, const methods::MethodRow& row,
             typename Method::Imp* previous) {
  GuardedMethod<routine>::install(runtime, methods::holderOf(runtime, row), Method::selector,
                                  row.text, previous);
}

template <class Method, typename Method::Imp routine>
void add(host::Runtime& runtime, const methods::MethodRow& row) {
  methods::addMethod<Method>(runtime, methods::holderOf(runtime, row), routine);
}

// The rows of host/methods.def in its order; results are not examined, and a class that is
// absent is handed on as it is.
void installMethodTable() {
  host::Runtime& runtime = host::platform().runtime();
  [[maybe_unused]] PreviousImplementations& previous = state().previous;
#define NIMBREL_REPLACED(row, Signature, cls, sign) \
  replace<methods::Signature, row>(runtime, methods::rows::row, &previous.row);
#define NIMBREL_ADDED(row, Signature, cls, sign) \
  add<methods::Signature, row>(runtime, methods::rows::row);
#include "host/methods.def"
}

}  // namespace

bool isShellProcess(const std::vector<std::string>& arguments) {
  return !arguments.empty() && host::strings::lastPathComponent(arguments.front()) == "SpringBoard";
}

void installHooks() {
  if (!isShellProcess(host::platform().processInfo().arguments())) return;
  loadSettings(nullptr, nullptr, nullptr, nullptr, nullptr);
  registerObservers();
  installMethodTable();
}

void installHooksAtLoad() noexcept {
  constexpr std::string_view kEntry = "the library's initialiser";
  try {
    host::ExpectPlatformException expected;
    installHooks();
  } catch (const host::PlatformException& raised) {
    logCaughtException(kEntry, raised);
  } catch (const std::exception& error) {
    logCaughtOther(kEntry, error.what());
  } catch (...) {
    logCaughtOther(kEntry, "an exception of unknown type");
  }
}

}  // namespace nimbrel
