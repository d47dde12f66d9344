// The shell's trees as SpringBoard lays them out, built from the test shell's objects: the
// lock screen's window with its lock screen view and date container, into which the date view
// goes at the first -dateView; and the wallpaper window holding a home screen and a lock screen
// wallpaper view, each in a host view of its own.
#include "simulator/objc_shell/shell_layout.h"

#include "simulator/objc_shell/describe.h"
#include "simulator/objc_shell/process_state.h"
#include "simulator/objc_shell/runtime_access.h"

namespace nimsim::objcshell {
namespace {

using nimbrel::objc::CGRect;
using nimbrel::objc::CGSize;

constexpr double kDateContainerTop = 20, kDateContainerHeight = 200;
constexpr double kDateViewTop = 28, kDateViewHeight = 120;
constexpr double kTimeLabelHeight = 82, kDateLineTop = 86, kDateLineHeight = 26;

CGRect rect(double x, double y, double w, double h) { return {{x, y}, {w, h}}; }

id made(const char* cls, const CGRect& frame) {
  return msg(msg(classNamed(cls), "alloc"), "initWithFrame:", frame);
}

// The lock screen view's class, which the test shell does not define.
id lockScreenViewClass() {
  static id cls = [] {
    Class defined = objc_allocateClassPair(objc_getClass("UIView"), "SBLockScreenView", 0);
    if (defined) objc_registerClassPair(defined);
    return reinterpret_cast<id>(objc_getClass("SBLockScreenView"));
  }();
  return cls;
}

void setFrame(id view, const CGRect& frame) { msg<void>(view, "setFrame:", frame); }

}  // namespace

void layOutShell(ShellLayout& layout, double width, double height) {
  TSShell& shell = state().shell;
  const CGRect screen = rect(0, 0, width, height);
  layout.lockWindow = made("UIWindow", screen);
  id lockScreenView = msg(msg(lockScreenViewClass(), "alloc"), "initWithFrame:", screen);
  msg<void>(layout.lockWindow, "addSubview:", lockScreenView);
  msg<void>(lockScreenView, "release");
  layout.dateContainer = made("UIView", rect(0, kDateContainerTop, width, kDateContainerHeight));
  msg<void>(lockScreenView, "addSubview:", layout.dateContainer);

  // The test shell made its date view at boot; here it waits, out of any tree, until the
  // shell first asks for it.
  id dateView = dateViewOf(shell.dateViewController);
  msg<void>(dateView, "removeFromSuperview");
  setFrame(dateView, rect(0, kDateViewTop, width, kDateViewHeight));
  setFrame(msg(dateView, "_timeLabel"), rect(0, 0, width, kTimeLabelHeight));
  setFrame(msg(dateView, "dateLine"), rect(0, kDateLineTop, width, kDateLineHeight));

  id home = shell.wallpaperView;
  id container = msg(msg(home, "superview"), "superview");
  id lockHost = made("UIView", screen);
  msg<void>(container, "addSubview:", lockHost);
  msg<void>(lockHost, "release");
  layout.wallpapers = {home, made("SBFStaticWallpaperView", screen)};
  msg<void>(lockHost, "addSubview:", layout.wallpapers[1]);
  msg<void>(layout.wallpapers[1], "release");
}

void buildDateView(ShellLayout& layout) {
  if (layout.dateViewBuilt) return;
  layout.dateViewBuilt = true;
  msg<void>(layout.dateContainer, "addSubview:", dateViewOf(state().shell.dateViewController));
  state().add("original", "-[SBLockScreenDateViewController dateView] built the date view");
}

void resizeShell(const ShellLayout& layout, double width, double height) {
  auto resize = [&](id view) {
    CGRect frame = msg<CGRect>(view, "frame");
    frame.size = CGSize{width, height};
    setFrame(view, frame);
  };
  id window = state().shell.window;
  resize(window);
  resize(msg(layout.wallpapers[0], "superview")
             ? msg(msg(layout.wallpapers[0], "superview"), "superview")
             : window);
  for (id wallpaper : layout.wallpapers) {
    resize(msg(wallpaper, "superview"));
    resize(wallpaper);
  }
}

std::string variantName(std::size_t index) { return index == 0 ? "home screen" : "lock screen"; }

}  // namespace nimsim::objcshell
