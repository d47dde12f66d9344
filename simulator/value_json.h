// Property-list values as the snapshot's JSON shows them, the same in the simulator and the shell
// process.
#pragma once

#include <nlohmann/json.hpp>

#include "host/value.h"

namespace nimsim {

// A property-list value as the snapshot shows it.
nlohmann::json valueJson(const host::Value& value, int depth = 0);

}  // namespace nimsim
