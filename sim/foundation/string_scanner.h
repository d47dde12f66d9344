// NSString's numeric readings (intValue, doubleValue, boolValue) with CoreFoundation's
// scanner rules: its whitespace set, one optional sign, clamping, and C-locale strtod.
#pragma once

#include <cstdint>
#include <string_view>

namespace sim::scanner {

// CoreFoundation's whitespace: code units below 0x21, 0x7F-0xA0, U+2000-U+200B and U+3000.
bool isWhitespace(char32_t codePoint);

// -[NSString intValue]: decimal only, whitespace skipped before and after one sign,
// INT_MAX/INT_MIN on overflow, 0 when no digit follows.
std::int32_t intValue(std::string_view text);

// -[NSString doubleValue]: collects the characters 0-9 + - . e E after whitespace and reads
// them with strtod in the C locale; 0 when nothing is read, +-HUGE_VAL on overflow.
double doubleValue(std::string_view text);

// -[NSString boolValue]: YES when the first character after whitespace is t, T, y or Y, or
// when one optional sign and any zeros are followed by a digit 1-9.
bool boolValue(std::string_view text);

}  // namespace sim::scanner
