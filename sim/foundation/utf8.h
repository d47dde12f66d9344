// UTF-8 decoding for the string rules that count or scan UTF-16 code units.
#pragma once

#include <cstddef>
#include <string_view>

namespace sim::utf8 {

// The replacement character a malformed byte decodes to; it is one UTF-16 unit, so a
// malformed byte counts as one unit, as NSString's lossy decoding would show it.
inline constexpr char32_t replacement = 0xFFFD;

// Decodes the code point at text[at] and moves `at` past it. Malformed or truncated
// sequences decode to the replacement character and consume one byte.
char32_t next(std::string_view text, std::size_t& at);

// How many UTF-16 code units the code point takes.
inline std::size_t utf16Units(char32_t codePoint) { return codePoint >= 0x10000 ? 2 : 1; }

}  // namespace sim::utf8
