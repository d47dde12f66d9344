// Binary property lists, which the settings pane may write and the platform only reads.
#pragma once

#include <optional>
#include <string>

#include "host/value.h"

namespace nimsim {

// The binary ("bplist00") form of a property list; none when it cannot be written.
std::optional<std::string> binaryPropertyList(const host::Value& root);

}  // namespace nimsim
