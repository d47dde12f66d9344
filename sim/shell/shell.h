// The simulated home-screen shell: its classes, the view trees it builds, and the calls a
// scenario makes it perform.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include "host/services.h"
#include "host/views.h"
#include "sim/record.h"
#include "sim/runtime/runtime.h"
#include "sim/shell/date_view.h"
#include "sim/shell/wallpaper.h"
#include "sim/views/classes.h"

namespace sim {

// What differs between system versions in the shell.
struct ShellOptions {
  DateViewMethods dateView;
  // The interface orientation the shell starts in: a new process starts in the device's.
  bool landscape = false;
};

// The class names, spelled once.
namespace shellClassNames {
constexpr const char* dateViewController = "SBLockScreenDateViewController";
constexpr const char* dateView = "SBFLockScreenDateView";
constexpr const char* lockScreenView = "SBLockScreenView";
constexpr const char* wallpaperView = "SBFStaticWallpaperView";
constexpr const char* wallpaperWindow = "_SBWallpaperWindow";
constexpr const char* lockScreenManager = "SBLockScreenManager";
}  // namespace shellClassNames

// The shell of one process. Construction defines its classes in the runtime, with their
// original implementations in the method tables, and builds its two view trees (see
// sim/shell/README.md):
//
//   lock screen:  UIWindow → SBLockScreenView → date container (0, 20) → date view (0, 28),
//                 the date view made by the controller's first -dateView
//   wallpaper:    _SBWallpaperWindow → container → host view → SBFStaticWallpaperView →
//                 content view, once for the home screen (index 0) and once for the lock
//                 screen (index 1)
//
// Every action sends its messages through the runtime, so the add-on's replacements
// intercept them, and writes one "shell" entry per message before sending it. Original
// implementations write "original" entries when they run. The runtime, record, screen and
// clock must outlive the shell.
class Shell {
 public:
  static constexpr std::size_t homeScreenWallpaper = 0;
  static constexpr std::size_t lockScreenWallpaper = 1;

  Shell(Runtime& runtime, const ViewClasses& views, Record& record, const host::Screen& screen,
        const host::Clock& clock, ShellOptions options = {});
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  // -[SBLockScreenDateViewController dateView], after updating the clock's texts.
  std::shared_ptr<host::DateView> requestDateView();
  // -[SBFStaticWallpaperView contentView] of one wallpaper view; refuses an index past the
  // last wallpaper view.
  std::shared_ptr<host::View> requestContentView(std::size_t index);
  // -layoutSubviews of every wallpaper view, then of the wallpaper window.
  void layoutWallpaper();
  // +[SBFStaticWallpaperView _allowsParallax].
  bool askAllowsParallax();
  // The shell's own -contentView of a wallpaper view raises at its next call.
  void raiseAtNextContentView() { ++wallpaperViewClass_->raisesAtContentView; }
  // -[SBLockScreenManager _finishUIUnlockFromSource:withOptions:].
  void finishUnlock(long source, const host::Id& options);
  // Sizes the wallpaper window and its views to the screen in that orientation (the
  // screen's longer side across in landscape), then lays the wallpaper out.
  void rotate(bool landscape);

  // Builds both view trees, the date view controller and the lock screen manager anew, as
  // construction does, in that orientation; the classes stay defined. What the old trees held
  // is let go. For reusing a process.
  void reset(bool landscape);

  // The lock screen rebuilds: the date view leaves it, and the controller's next -dateView
  // builds a fresh one in the date container. Refuses (std::invalid_argument) while no date
  // view has been built.
  void rebuildDateView();
  // Places the wallpaper window under two holder views, root → grandparent → parent →
  // window, each filling the screen, so that the window's ancestors can be moved or
  // scrolled. Once: later calls answer the same holders.
  struct WindowHolders {
    std::shared_ptr<View> grandparent;
    std::shared_ptr<View> parent;
  };
  const WindowHolders& embedWallpaperWindow();
  // The holders, or none before embedWallpaperWindow.
  const std::optional<WindowHolders>& wallpaperWindowHolders() const { return holders_; }

  // Inspection.
  const std::shared_ptr<View>& lockScreenWindow() const { return lockWindow_; }
  const std::shared_ptr<View>& dateContainer() const { return dateContainer_; }
  const std::shared_ptr<SimDateViewController>& dateViewController() const { return controller_; }
  const std::shared_ptr<SimWallpaperWindow>& wallpaperWindow() const { return wallpaperWindow_; }
  // The view that holds every host view.
  const std::shared_ptr<View>& wallpaperContainer() const { return wallpaperContainer_; }
  // The root of the wallpaper's tree: the window, or the outermost holder once embedded.
  std::shared_ptr<host::View> wallpaperRoot() const;
  std::size_t wallpaperViewCount() const { return wallpapers_.size(); }
  const std::shared_ptr<SimWallpaperView>& wallpaperView(std::size_t index) const;
  std::shared_ptr<host::View> hostView(std::size_t index) const;
  const std::shared_ptr<SimLockScreenManager>& lockScreenManager() const { return manager_; }
  bool isLandscape() const { return landscape_; }

 private:
  void defineClasses(Runtime& runtime, const ViewClasses& views);
  void buildLockScreen(const ViewClasses& views);
  void buildWallpaper(const ViewClasses& views);
  std::shared_ptr<SimDateView> makeDateView();
  host::Size orientedScreenSize() const;

  Runtime& runtime_;
  ViewClasses views_;
  Record& record_;
  const host::Screen& screen_;
  const host::Clock& clock_;
  ShellOptions options_;
  bool landscape_ = false;

  host::Class* dateViewControllerClass_ = nullptr;
  host::Class* dateViewClass_ = nullptr;
  host::Class* lockScreenViewClass_ = nullptr;
  WallpaperViewClass* wallpaperViewClass_ = nullptr;
  host::Class* wallpaperWindowClass_ = nullptr;
  host::Class* managerClass_ = nullptr;

  std::shared_ptr<View> lockWindow_;
  std::shared_ptr<View> dateContainer_;
  std::shared_ptr<SimDateViewController> controller_;
  std::shared_ptr<SimWallpaperWindow> wallpaperWindow_;
  std::shared_ptr<View> wallpaperContainer_;
  std::vector<std::shared_ptr<SimWallpaperView>> wallpapers_;
  std::shared_ptr<SimLockScreenManager> manager_;
  std::shared_ptr<View> holderRoot_;
  std::optional<WindowHolders> holders_;
};

}  // namespace sim
