// The shell process's state as the simulator's snapshot shows it, read from the Objective-C
// objects by messages, as UIKit and the Weather frameworks answer for them.
#pragma once

#include <objc/objc.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace nimsim::objcshell {

// "Cupertino", "unnamed city", or "no city".
std::string describeCity(id city);

// The process's part of the snapshot: add-on, lock screen, home screen, views, bindings,
// timers, alerts, Weather app, random numbers, and the process report (process_report.h).
// `start` is the scenario's first moment.
nlohmann::json processSnapshot(double start);

// Button titles, from the cancel button on.
std::vector<std::string> alertButtons(id alert);

// The lock screen's date view, read without sending -dateView (which the add-on replaces).
id dateViewOf(id controller);

}  // namespace nimsim::objcshell
