#include "startup/install_hooks.h"

#include "events/asset_names.h"
#include "events/lock_events.h"
#include "homescreen/content_view.h"
#include "homescreen/wallpaper_layout.h"
#include "host/platform.h"
#include "lockscreen/date_view.h"
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

// The rows in installation order; results are not examined, and a class that is absent is
// handed on as it is.
void installMethodTable() {
  host::Runtime& runtime = host::platform().runtime();
  PreviousImplementations& previous = state().previous;

  methods::hookMessage<methods::FilenameForCondition>(
      runtime, runtime.getClass("WUIAsynchronousAssetLoader"), filenameForCondition,
      &previous.filenameForCondition);

  host::Class* dateViewController = runtime.getClass("SBLockScreenDateViewController");
  methods::addMethod<methods::TickTock>(runtime, dateViewController, tickTock);
  methods::hookMessage<methods::DateView>(runtime, dateViewController, dateView,
                                          &previous.dateView);

  host::Class* wallpaperView = runtime.getClass("SBFStaticWallpaperView");
  host::Class* wallpaperViewMeta = host::metaclassOf(wallpaperView);
  methods::hookMessage<methods::ContentView>(runtime, wallpaperView, contentView,
                                             &previous.contentView);
  methods::hookMessage<methods::LayoutSubviews>(runtime, wallpaperView, wallpaperViewLayoutSubviews,
                                                &previous.wallpaperViewLayoutSubviews);
  methods::hookMessage<methods::AllowsParallax>(runtime, wallpaperViewMeta, allowsParallax,
                                                &previous.allowsParallax);

  methods::hookMessage<methods::LayoutSubviews>(runtime, runtime.getClass("_SBWallpaperWindow"),
                                                wallpaperWindowLayoutSubviews,
                                                &previous.wallpaperWindowLayoutSubviews);
  methods::hookMessage<methods::FinishUIUnlock>(runtime, runtime.getClass("SBLockScreenManager"),
                                                finishUIUnlock, &previous.finishUIUnlock);
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

}  // namespace nimbrel
