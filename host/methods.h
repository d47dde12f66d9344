// The signatures of the methods the system replaces or adds, spelled once here and used by
// both the replacement and the original implementation, so the compiler checks both.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "host/runtime.h"
#include "host/shell.h"
#include "host/weather.h"

namespace host::methods {

// WUIAsynchronousAssetLoader -filenameForCondition:isDay:
struct FilenameForCondition {
  static constexpr Selector selector{"filenameForCondition:isDay:"};
  using Imp = std::optional<std::string> (*)(AssetLoader& self, Selector, std::int64_t condition,
                                             bool isDay);
};

// SBLockScreenDateViewController -tickTock, added by the system.
struct TickTock {
  static constexpr Selector selector{"tickTock"};
  static constexpr std::string_view types = "v@:";
  using Imp = void (*)(const Id& self, Selector);
};

// SBLockScreenDateViewController -dateView
struct DateView {
  static constexpr Selector selector{"dateView"};
  using Imp = std::shared_ptr<host::DateView> (*)(const Id& self, Selector);
};

// SBFStaticWallpaperView -contentView
struct ContentView {
  static constexpr Selector selector{"contentView"};
  using Imp = std::shared_ptr<View> (*)(const std::shared_ptr<View>& self, Selector);
};

// SBFStaticWallpaperView -layoutSubviews and _SBWallpaperWindow -layoutSubviews
struct LayoutSubviews {
  static constexpr Selector selector{"layoutSubviews"};
  using Imp = void (*)(const std::shared_ptr<View>& self, Selector);
};

// SBFStaticWallpaperView +_allowsParallax, a class method
struct AllowsParallax {
  static constexpr Selector selector{"_allowsParallax"};
  using Imp = bool (*)(Class& self, Selector);
};

// SBLockScreenManager -_finishUIUnlockFromSource:withOptions:
struct FinishUIUnlock {
  static constexpr Selector selector{"_finishUIUnlockFromSource:withOptions:"};
  using Imp = void (*)(const Id& self, Selector, long source, const Id& options);
};

// The typed previous implementation is stored once the hook is live: for tests, where no
// other thread calls in meanwhile. The add-on's hooks publish theirs first (guarded_method.h).
template <class Method>
HookOutcome hookMessage(Runtime& runtime, Class* cls, typename Method::Imp replacement,
                        typename Method::Imp* previous) {
  Imp erased = reinterpret_cast<Imp>(*previous);
  HookOutcome outcome =
      runtime.hookMessage(cls, Method::selector, reinterpret_cast<Imp>(replacement), &erased);
  *previous = reinterpret_cast<typename Method::Imp>(erased);
  return outcome;
}

template <class Method>
bool addMethod(Runtime& runtime, Class* cls, typename Method::Imp imp) {
  return runtime.addMethod(cls, Method::selector, reinterpret_cast<Imp>(imp), Method::types);
}

}  // namespace host::methods
