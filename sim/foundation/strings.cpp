// NSString's path, length and replacement rules over UTF-8 text counted in UTF-16 units.
#include "host/strings.h"

#include <stdexcept>

#include "host/object.h"
#include "sim/foundation/utf8.h"

namespace host::strings {

namespace {

// The byte offset of a UTF-16 position. A position inside a surrogate pair has no UTF-8
// equivalent: NSString would leave a lone surrogate, which is not modelled.
std::size_t byteOffsetOfUnit(std::string_view text, std::size_t unit) {
  std::size_t at = 0;
  std::size_t units = 0;
  while (units < unit && at < text.size()) {
    units += sim::utf8::utf16Units(sim::utf8::next(text, at));
  }
  if (units != unit)
    throw std::logic_error("not modelled: a range boundary inside a surrogate pair");
  return at;
}

}  // namespace

std::string lastPathComponent(std::string_view path) {
  std::string compressed;
  for (char c : path) {
    if (c == '/' && !compressed.empty() && compressed.back() == '/') continue;
    compressed.push_back(c);
  }
  if (compressed.size() > 1 && compressed.back() == '/') compressed.pop_back();
  if (length(compressed) <= 1) return compressed;
  const auto slash = compressed.rfind('/');
  return slash == std::string::npos ? compressed : compressed.substr(slash + 1);
}

std::size_t length(std::string_view text) {
  std::size_t units = 0;
  for (std::size_t at = 0; at < text.size();)
    units += sim::utf8::utf16Units(sim::utf8::next(text, at));
  return units;
}

std::string replacingCharactersInRange(std::string_view text, std::size_t location,
                                       std::size_t rangeLength, std::string_view replacement) {
  const std::size_t total = length(text);
  // Written so that location + rangeLength cannot overflow.
  if (location > total || rangeLength > total - location) {
    throw PlatformException("NSRangeException",
                            "-[__NSCFString replaceCharactersInRange:withString:]: Range {" +
                                std::to_string(location) + ", " + std::to_string(rangeLength) +
                                "} out of bounds; string length " + std::to_string(total));
  }
  const std::size_t begin = byteOffsetOfUnit(text, location);
  const std::size_t end = begin + byteOffsetOfUnit(text.substr(begin), rangeLength);
  std::string result(text.substr(0, begin));
  result.append(replacement);
  result.append(text.substr(end));
  return result;
}

std::string replacingOccurrences(std::string_view text, std::string_view target,
                                 std::string_view replacement) {
  // An empty target matches nothing: the receiver comes back unchanged.
  if (target.empty()) return std::string(text);
  std::string result;
  std::size_t from = 0;
  for (auto found = text.find(target); found != std::string_view::npos;
       found = text.find(target, from)) {
    result.append(text.substr(from, found - from));
    result.append(replacement);
    from = found + target.size();
  }
  result.append(text.substr(from));
  return result;
}

}  // namespace host::strings
