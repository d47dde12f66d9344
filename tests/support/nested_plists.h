// Property lists nested to a chosen depth, in each form a reader takes: for the limits'
// tests on both platforms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nested_plists {

// A dictionary holding arrays nested inside it: `depth` containers in all.
inline std::string xml(std::size_t depth) {
  std::string text = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>k</key>";
  for (std::size_t i = 1; i < depth; ++i) text += "<array>";
  for (std::size_t i = 1; i < depth; ++i) text += "</array>";
  return text + "</dict></plist>";
}

inline std::string openStep(std::size_t depth) {
  return "{ k = " + std::string(depth - 1, '(') + std::string(depth - 1, ')') + "; }";
}

inline void appendBigEndian(std::string& bytes, std::uint64_t value, std::size_t width) {
  for (std::size_t i = width; i-- > 0;) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The same in the binary form: a dictionary, then arrays each holding the next, the
// innermost empty (`depth` at least 2). Four-byte offsets and references.
inline std::string binary(std::size_t depth) {
  const std::size_t objects = depth + 1;  // the dictionary, its key, depth - 1 arrays
  std::string bytes = "bplist00";
  std::vector<std::size_t> offsets;
  offsets.push_back(bytes.size());
  bytes += '\xD1';  // a dictionary of one entry: key 1, value 2
  appendBigEndian(bytes, 1, 4);
  appendBigEndian(bytes, 2, 4);
  offsets.push_back(bytes.size());
  bytes += "\x51k";  // the key "k"
  for (std::size_t object = 2; object < objects; ++object) {
    offsets.push_back(bytes.size());
    if (object + 1 == objects) {
      bytes += '\xA0';
    } else {
      bytes += '\xA1';
      appendBigEndian(bytes, object + 1, 4);
    }
  }
  const std::size_t offsetTable = bytes.size();
  for (std::size_t offset : offsets) appendBigEndian(bytes, offset, 4);
  bytes += std::string(6, '\0');
  bytes += '\x04';  // offset width
  bytes += '\x04';  // reference width
  appendBigEndian(bytes, objects, 8);
  appendBigEndian(bytes, 0, 8);  // the top object
  appendBigEndian(bytes, offsetTable, 8);
  return bytes;
}

}  // namespace nested_plists
