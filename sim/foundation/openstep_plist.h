// The old OpenStep text form of property lists ({ Key = ( "a", b ); }), which tweak tool
// chains write and which libplist 2.2 cannot read.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "host/value.h"

namespace sim {

// Parses the text form: dictionaries, arrays, quoted and bare strings, <hex> data,
// comments. Every scalar is a string, as in the format itself. None for malformed text,
// trailing junk, or nesting deeper than maxDepth containers.
std::optional<host::Value> parseOpenStepPropertyList(std::string_view text, std::size_t maxDepth);

}  // namespace sim
