// NSString's numeric readings with CoreFoundation's scanner rules.
#include "sim/foundation/string_scanner.h"

#include <locale.h>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <string>

#include "sim/foundation/utf8.h"

namespace sim::scanner {

namespace {

// Reads code points one at a time; end of text reads as 0, which no rule accepts.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  char32_t peek() const {
    if (at_ >= text_.size()) return 0;
    std::size_t probe = at_;
    return utf8::next(text_, probe);
  }
  void advance() {
    if (at_ < text_.size()) utf8::next(text_, at_);
  }
  void skipWhitespace() {
    while (at_ < text_.size() && isWhitespace(peek())) advance();
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

bool isDoubleCharacter(char32_t c) {
  return isDigit(c) || c == U'+' || c == U'-' || c == U'.' || c == U'e' || c == U'E';
}

// The C locale once, so that a process locale with a decimal comma changes nothing.
locale_t cLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

bool isWhitespace(char32_t c) {
  return c < 0x21 || (c >= 0x7F && c <= 0xA0) || (c >= 0x2000 && c <= 0x200B) || c == 0x3000;
}

std::int32_t intValue(std::string_view text) {
  Cursor cursor(text);
  cursor.skipWhitespace();
  bool negative = false;
  if (cursor.peek() == U'-' || cursor.peek() == U'+') {
    negative = cursor.peek() == U'-';
    cursor.advance();
    cursor.skipWhitespace();
  }
  if (!isDigit(cursor.peek())) return 0;
  // The magnitude fits 64 bits until it passes the limit, where the scan stops.
  std::int64_t magnitude = 0;
  const std::int64_t limit = negative ? -std::int64_t{INT_MIN} : std::int64_t{INT_MAX};
  while (isDigit(cursor.peek())) {
    magnitude = magnitude * 10 + static_cast<std::int64_t>(cursor.peek() - U'0');
    cursor.advance();
    if (magnitude > limit) return negative ? INT_MIN : INT_MAX;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

double doubleValue(std::string_view text) {
  Cursor cursor(text);
  cursor.skipWhitespace();
  std::string collected;
  while (isDoubleCharacter(cursor.peek())) {
    collected.push_back(static_cast<char>(cursor.peek()));
    cursor.advance();
  }
  if (collected.empty()) return 0.0;
  return strtod_l(collected.c_str(), nullptr, cLocale());
}

bool boolValue(std::string_view text) {
  Cursor cursor(text);
  cursor.skipWhitespace();
  const char32_t first = cursor.peek();
  if (first == U't' || first == U'T' || first == U'y' || first == U'Y') return true;
  if (first == U'-' || first == U'+') cursor.advance();
  while (cursor.peek() == U'0') cursor.advance();
  const char32_t digit = cursor.peek();
  return digit >= U'1' && digit <= U'9';
}

}  // namespace sim::scanner
