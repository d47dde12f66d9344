// Builds the picture of the lock screen or home screen from the shell's view trees.
#pragma once

#include <string>

#include "simulator/picture.h"

namespace sim {
class Shell;
}

namespace nimsim {

enum class ScreenKind { lockScreen, homeScreen };

// What is on that screen now: on the home screen the wallpaper window with the home
// wallpaper; on the lock screen the lock wallpaper with the lock-screen window above it.
// Every weather background and header found there is drawn as what it is, wherever the
// add-on put it. The alert, if any, is the caller's to add.
Scene buildScene(const sim::Shell& shell, ScreenKind kind, double width, double height,
                 std::string caption);

}  // namespace nimsim
