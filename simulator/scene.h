// Builds the picture of the lock screen or home screen from a snapshot of the shell's trees,
// the same way for every platform.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>

#include "simulator/picture.h"

namespace nimsim {

enum class ScreenKind { lockScreen, homeScreen };

// What is on that screen (by default the lock screen while locked, else the home screen) in
// the snapshot (World::snapshot): on the home screen the wallpaper window with the home
// wallpaper; on the lock screen the lock wallpaper with the lock-screen window above it. Every
// weather background and header found there is drawn as what it is, wherever the add-on put
// it, and the alert on top, if any.
Scene buildScene(const nlohmann::json& snapshot, std::optional<ScreenKind> kind);

}  // namespace nimsim
