// The world the command line runs scenarios in: a simulated device in a temporary folder,
// with the built add-on installed, and the process booted on it.
#pragma once

#include <memory>

#include "simulator/world.h"

namespace nimsim {

// A fresh device (iphone-8, home /var/mobile, seed 1) with the add-on and its filter in
// the hook engine's folder; nothing is booted yet.
std::unique_ptr<World> makeSimWorld();

}  // namespace nimsim
