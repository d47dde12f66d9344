// NSString operations whose rules the system relies on. Strings are UTF-8; lengths and
// ranges count UTF-16 code units, as NSString does.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace host::strings {

// lastPathComponent.
std::string lastPathComponent(std::string_view path);
// length, in UTF-16 code units.
std::size_t length(std::string_view text);
// stringByReplacingCharactersInRange:withString:; raises NSRangeException when the range
// reaches beyond the end.
std::string replacingCharactersInRange(std::string_view text, std::size_t location,
                                       std::size_t rangeLength, std::string_view replacement);
// stringByReplacingOccurrencesOfString:withString: (every occurrence).
std::string replacingOccurrences(std::string_view text, std::string_view target,
                                 std::string_view replacement);

}  // namespace host::strings
