// A scan of XML property lists before libplist parses them: rewrites integers the way
// Apple's parser reads them (libplist reads "010" as octal 8; Apple reads decimal 10). The
// nesting is bounded before (plist/limits.h).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

// An integer as Apple's XML parser reads it: optional surrounding white space, one optional
// sign, "0x" for hexadecimal, otherwise decimal whatever the leading zeros. Negative values
// must fit in 64 signed bits, others in 64 unsigned bits. Returns the value in canonical
// decimal, or none when Apple's parser would reject it.
std::optional<std::string> canonicalXmlInteger(std::string_view text);

// The XML text with every <integer> in canonical decimal, or none when a tag is unterminated
// or an integer is invalid.
std::optional<std::string> prepareXmlPropertyList(std::string_view xml);

}  // namespace sim
