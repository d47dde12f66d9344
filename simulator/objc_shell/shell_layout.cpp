// The shell's trees as SpringBoard lays them out, built from the test shell's objects: the
// lock screen's window with its lock screen view and date container, into which the date view
// goes at the first -dateView; and the wallpaper window holding a home screen and a lock screen
// wallpaper view, each in a host view of its own.
#include "simulator/objc_shell/shell_layout.h"

#include <stdexcept>

#include "simulator/objc_shell/describe.h"
#include "simulator/objc_shell/process_state.h"
#include "simulator/objc_shell/runtime_access.h"
#include "simulator/objc_shell/runtime_watch.h"

// The test shell's record of calls (objc/test_shell/ts_object.h).
extern "C" void TSRecordCall(const char* selector, id receiver, long integer, BOOL flag, id object);
extern "C" void TSForgetCalls(void);

namespace nimsim::objcshell {
namespace {

using nimbrel::objc::CGRect;
using nimbrel::objc::CGSize;

constexpr double kDateContainerTop = 20, kDateContainerHeight = 200;

CGRect rect(double x, double y, double w, double h) { return {{x, y}, {w, h}}; }

id made(const char* cls, const CGRect& frame) {
  return msg(msg(classNamed(cls), "alloc"), "initWithFrame:", frame);
}

// The shell's wallpaper window lays itself out with a method of its own; the test shell's
// inherits UIView's (its binding tests need an inherited method to override).
void wallpaperWindowLayout(id self, SEL) { TSRecordCall("layoutSubviews", self, 0, NO, nullptr); }

void defineClass(const char* superclass, const char* name) {
  Class parent = objc_getClass(superclass);
  Class defined = parent ? objc_allocateClassPair(parent, name, 0) : nullptr;
  if (defined) objc_registerClassPair(defined);
}

void setFrame(id view, const CGRect& frame) { msg<void>(view, "setFrame:", frame); }

}  // namespace

void defineShellClasses() {
  defineClass("UIView", "SBLockScreenView");
  defineClass("WUIDynamicWeatherBackground", "WUIDynamicWeatherBackgroundSubclass");
  class_addMethod(objc_getClass("_SBWallpaperWindow"), sel_registerName("layoutSubviews"),
                  nimbrel::objc::asImp(&wallpaperWindowLayout), "v16@0:8");
}

void layOutShell(ShellLayout& layout, double width, double height) {
  TSShell& shell = state().shell;
  // Only where the system has the background class: an absent one has no subclass either.
  if (!deviceClass("WUIDynamicWeatherBackground"))
    setClassAbsent("WUIDynamicWeatherBackgroundSubclass", true);
  const CGRect screen = rect(0, 0, width, height);
  layout.lockWindow = made("UIWindow", screen);
  id lockScreenView = made("SBLockScreenView", screen);
  msg<void>(layout.lockWindow, "addSubview:", lockScreenView);
  msg<void>(lockScreenView, "release");
  layout.dateContainer = made("UIView", rect(0, kDateContainerTop, width, kDateContainerHeight));
  msg<void>(lockScreenView, "addSubview:", layout.dateContainer);
  // The controller builds its date view there at the first -dateView.
  msg<void>(shell.dateViewController, "setDateContainer:", layout.dateContainer);

  id home = shell.wallpaperView;
  id container = msg(msg(home, "superview"), "superview");
  id lockHost = made("UIView", screen);
  msg<void>(container, "addSubview:", lockHost);
  msg<void>(lockHost, "release");
  layout.wallpapers = {home, made("SBFStaticWallpaperView", screen)};
  msg<void>(lockHost, "addSubview:", layout.wallpapers[1]);
  msg<void>(layout.wallpapers[1], "release");
}

id shellView(const ShellLayout& layout, const std::string& name, std::optional<std::size_t> index) {
  const std::size_t count = layout.wallpapers.size();
  if (name == "host" || name == "wallpaper") {
    if (!index || *index >= count)
      throw std::invalid_argument("the shell has " + std::to_string(count) +
                                  " wallpaper views, numbered from 0");
    id wallpaper = layout.wallpapers[*index];
    return name == "host" ? msg(wallpaper, "superview") : wallpaper;
  }
  if (name == "date-view") {
    if (id dateView = dateViewOf(state().shell.dateViewController)) return dateView;
    throw std::invalid_argument(
        "the lock screen has no date view yet: 'shell date-view' (or 'wake') builds it");
  }
  if (name == "date-container") return layout.dateContainer;
  if (name == "wallpaper-container")
    return msg(msg(layout.wallpapers[0], "superview"), "superview");
  if (name == "wallpaper-window") return state().shell.window;
  if (name == "window-parent" || name == "window-grandparent") {
    if (!layout.holderRoot)
      throw std::invalid_argument("the wallpaper window has no " + name +
                                  " until 'shell embed wallpaper-window'");
    return name == "window-parent" ? layout.windowParent : layout.windowGrandparent;
  }
  throw std::invalid_argument("no view of the shell is called " + name);
}

id wallpaperRoot(const ShellLayout& layout) {
  return layout.holderRoot ? layout.holderRoot : state().shell.window;
}

void embedWallpaperWindow(ShellLayout& layout) {
  if (layout.holderRoot) return;
  const CGRect frame = msg<CGRect>(state().shell.window, "frame");
  const CGRect filling = rect(0, 0, frame.size.width, frame.size.height);
  layout.holderRoot = made("UIView", filling);
  layout.windowGrandparent = made("UIView", filling);
  layout.windowParent = made("UIView", filling);
  msg<void>(layout.holderRoot, "addSubview:", layout.windowGrandparent);
  msg<void>(layout.windowGrandparent, "addSubview:", layout.windowParent);
  msg<void>(layout.windowParent, "addSubview:", state().shell.window);
}

void rebuildDateView() {
  id controller = state().shell.dateViewController;
  if (!dateViewOf(controller))
    throw std::invalid_argument(
        "the lock screen has no date view to rebuild yet (the first -dateView builds it)");
  state().add(facts::ShellAsks{facts::ShellCall::rebuildDateView});
  // The record of the last -dateView keeps the old view alive; nothing here reads it, and the
  // shell lets the old view go.
  TSForgetCalls();
  msg<void>(controller, "discardDateView");
}

void addToDateView(const ShellLayout& layout, const std::string& className) {
  id dateView = shellView(layout, "date-view", std::nullopt);
  id cls = deviceClass(className.c_str());
  if (!cls) throw std::invalid_argument("this system version has no " + className);
  const CGRect bounds = msg<CGRect>(dateView, "bounds");
  id added =
      msg(msg(cls, "alloc"), "initWithFrame:", rect(0, 0, bounds.size.width, bounds.size.height));
  msg<void>(dateView, "addSubview:", added);
  msg<void>(dateView, "sendSubviewToBack:", added);
  msg<void>(added, "release");
}

void fillContentViews(const ShellLayout& layout) {
  for (id wallpaper : layout.wallpapers)
    setFrame(ivarObject(wallpaper, "_contentView"), msg<CGRect>(wallpaper, "bounds"));
}

void resizeShell(const ShellLayout& layout, double width, double height) {
  auto resize = [&](id view) {
    CGRect frame = msg<CGRect>(view, "frame");
    frame.size = CGSize{width, height};
    setFrame(view, frame);
  };
  id window = state().shell.window;
  if (layout.holderRoot)
    for (id holder : {layout.holderRoot, layout.windowGrandparent, layout.windowParent})
      resize(holder);
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
