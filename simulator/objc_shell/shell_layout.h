// The shell's trees in the shell process, laid out as the simulated shell lays out its own,
// so that both platforms show the same views where the same things happen.
#pragma once

#include <objc/objc.h>

#include <string>
#include <vector>

namespace nimsim::objcshell {

struct ShellLayout {
  id lockWindow = nullptr;     // retained
  id dateContainer = nullptr;  // retained
  std::vector<id> wallpapers;  // the home screen's, then the lock screen's
  bool dateViewBuilt = false;
};

// Builds the trees around what TSBoot made, for a screen of width x height points.
void layOutShell(ShellLayout& layout, double width, double height);
// The first -dateView puts the date view into its container, as the controller builds it.
void buildDateView(ShellLayout& layout);
// The screen turned: every view of the wallpaper window takes the new size where it stands.
void resizeShell(const ShellLayout& layout, double width, double height);
// The wallpaper view at that index is the "home screen" or the "lock screen" one.
std::string variantName(std::size_t index);

}  // namespace nimsim::objcshell
