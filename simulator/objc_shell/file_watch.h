// The add-on's property-list files as the shell process traces them (see file_watch.cpp).
#pragma once

#include <string>

namespace nimsim::objcshell {

// Installed once, before the add-on loads.
void watchFiles();
// The add-on's next write to a device file fails with this fault ("no space", ...).
void failNextWrite(const std::string& fault);

}  // namespace nimsim::objcshell
