// The shell's trees in the shell process, laid out as the simulated shell lays out its own,
// so that both platforms show the same views where the same things happen.
#pragma once

#include <objc/objc.h>

#include <optional>
#include <string>
#include <vector>

namespace nimsim::objcshell {

struct ShellLayout {
  id lockWindow = nullptr;     // retained
  id dateContainer = nullptr;  // retained
  std::vector<id> wallpapers;  // the home screen's, then the lock screen's
  // Once the wallpaper window is embedded: the root above it, its grandparent and parent.
  id holderRoot = nullptr, windowGrandparent = nullptr, windowParent = nullptr;
};

// The classes the shell has and the test shell lacks: the lock screen view, the wallpaper
// window's own layout, and someone else's subclass of the background class,
// WUIDynamicWeatherBackgroundSubclass, which a boot hides where its superclass is hidden.
// The same for every boot, so defined once, before the first.
void defineShellClasses();
// Each wallpaper view's content view fills it, as at the shell's start.
void fillContentViews(const ShellLayout& layout);
// Builds the trees around what TSBoot made, for a screen of width x height points.
void layOutShell(ShellLayout& layout, double width, double height);
// The screen turned: every view of the wallpaper window takes the new size where it stands.
void resizeShell(const ShellLayout& layout, double width, double height);
// A view of the shell by its scenario name ("date-view", "host" with an index, ...); one that
// does not exist (yet) is bad input (std::invalid_argument).
id shellView(const ShellLayout& layout, const std::string& name, std::optional<std::size_t> index);
// The wallpaper window goes under two views of their own, as in a shell that nests it deeper.
void embedWallpaperWindow(ShellLayout& layout);
// The lock screen is rebuilt: the date view is removed, and the next -dateView builds another.
void rebuildDateView();
// A new view of that class, filling the date view, at the back of its subviews.
void addToDateView(const ShellLayout& layout, const std::string& className);
// The root of the wallpaper's tree: the window, or the root it was embedded under.
id wallpaperRoot(const ShellLayout& layout);

// The wallpaper view at that index is the "home screen" or the "lock screen" one.
std::string variantName(std::size_t index);

}  // namespace nimsim::objcshell
