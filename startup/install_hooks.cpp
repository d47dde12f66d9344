#include "startup/install_hooks.h"

#include "events/asset_names.h"
#include "events/lock_events.h"
#include "homescreen/content_view.h"
#include "homescreen/wallpaper_layout.h"
#include "host/platform.h"
#include "lockscreen/date_view.h"
#include "startup/guarded_method.h"
#include "startup/load_settings.h"
#include "state/entries.h"
#include "state/random_weather.h"
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

// Hooks `selector` of `cls` with `replacement`, guarded (guarded_method.h).
template <class Method, typename Method::Imp replacement>
void hookGuarded(host::Runtime& runtime, host::Class* cls, std::string_view entry,
                 typename Method::Imp* previous) {
  GuardedMethod<replacement>::install(runtime, cls, Method::selector, entry, previous);
}

// The rows in installation order; results are not examined, and a class that is absent is
// handed on as it is.
void installMethodTable() {
  host::Runtime& runtime = host::platform().runtime();
  PreviousImplementations& previous = state().previous;

  hookGuarded<methods::FilenameForCondition, filenameForCondition>(
      runtime, runtime.getClass("WUIAsynchronousAssetLoader"),
      "-[WUIAsynchronousAssetLoader filenameForCondition:isDay:]", &previous.filenameForCondition);

  host::Class* dateViewController = runtime.getClass("SBLockScreenDateViewController");
  methods::addMethod<methods::TickTock>(runtime, dateViewController, tickTock);
  hookGuarded<methods::DateView, dateView>(runtime, dateViewController,
                                           "-[SBLockScreenDateViewController dateView]",
                                           &previous.dateView);

  host::Class* wallpaperView = runtime.getClass("SBFStaticWallpaperView");
  host::Class* wallpaperViewMeta = host::metaclassOf(wallpaperView);
  hookGuarded<methods::ContentView, contentView>(
      runtime, wallpaperView, "-[SBFStaticWallpaperView contentView]", &previous.contentView);
  hookGuarded<methods::LayoutSubviews, wallpaperViewLayoutSubviews>(
      runtime, wallpaperView, "-[SBFStaticWallpaperView layoutSubviews]",
      &previous.wallpaperViewLayoutSubviews);
  hookGuarded<methods::AllowsParallax, allowsParallax>(runtime, wallpaperViewMeta,
                                                       "+[SBFStaticWallpaperView _allowsParallax]",
                                                       &previous.allowsParallax);

  hookGuarded<methods::LayoutSubviews, wallpaperWindowLayoutSubviews>(
      runtime, runtime.getClass("_SBWallpaperWindow"), "-[_SBWallpaperWindow layoutSubviews]",
      &previous.wallpaperWindowLayoutSubviews);
  hookGuarded<methods::FinishUIUnlock, finishUIUnlock>(
      runtime, runtime.getClass("SBLockScreenManager"),
      "-[SBLockScreenManager _finishUIUnlockFromSource:withOptions:]", &previous.finishUIUnlock);
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
