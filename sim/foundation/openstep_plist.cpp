// The old OpenStep text form of property lists, parsed by recursive descent with a depth
// bound so that hostile nesting cannot exhaust the stack.
#include "sim/foundation/openstep_plist.h"

#include <string>

namespace sim {

namespace {

class OpenStepParser {
 public:
  OpenStepParser(std::string_view text, std::size_t maxDepth) : text_(text), maxDepth_(maxDepth) {}

  std::optional<host::Value> parseDocument() {
    auto root = parseObject(0);
    if (!root || skipSpaceAndComments()) return std::nullopt;  // junk after the root
    return root;
  }

 private:
  static bool isBareCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c == '/' || c == ':' || c == '.' || c == '-';
  }

  bool atEnd() const { return at_ >= text_.size(); }
  char current() const { return text_[at_]; }
  bool startsWith(std::string_view prefix) const { return text_.substr(at_).starts_with(prefix); }

  // Skips white space (including U+2028 and U+2029) and comments; true when text remains.
  bool skipSpaceAndComments() {
    while (!atEnd()) {
      const char c = current();
      if ((c >= 9 && c <= 13) || c == ' ') {
        ++at_;
      } else if (startsWith("\xE2\x80\xA8") || startsWith("\xE2\x80\xA9")) {
        at_ += 3;
      } else if (startsWith("//")) {
        while (!atEnd() && current() != '\n' && current() != '\r') ++at_;
      } else if (startsWith("/*")) {
        const auto close = text_.find("*/", at_ + 2);
        at_ = close == std::string_view::npos ? text_.size() : close + 2;
      } else {
        return true;
      }
    }
    return false;
  }

  std::optional<host::Value> parseObject(std::size_t depth) {
    if (!skipSpaceAndComments()) return std::nullopt;
    const char c = current();
    if (c == '{' || c == '(') {
      if (depth >= maxDepth_) return std::nullopt;
      ++at_;
      return c == '{' ? parseDictionary(depth + 1) : parseArray(depth + 1);
    }
    if (c == '<') {
      ++at_;
      return parseData();
    }
    auto text = parseString();
    if (!text) return std::nullopt;
    return host::Value(std::move(*text));
  }

  std::optional<std::string> parseString() {
    if (!skipSpaceAndComments()) return std::nullopt;
    const char c = current();
    if (c == '"' || c == '\'') {
      ++at_;
      return parseQuoted(c);
    }
    const std::size_t start = at_;
    while (!atEnd() && isBareCharacter(current())) ++at_;
    if (at_ == start) return std::nullopt;
    return std::string(text_.substr(start, at_ - start));
  }

  std::optional<std::string> parseQuoted(char quote) {
    std::string result;
    while (!atEnd() && current() != quote) {
      if (current() == '\\') {
        ++at_;
        if (atEnd() || !appendEscape(result)) return std::nullopt;
      } else {
        result.push_back(current());
        ++at_;
      }
    }
    if (atEnd()) return std::nullopt;  // unterminated
    ++at_;
    return result;
  }

  static void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }

  static int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // Backslash escapes: \n \t and friends, up to three octal digits, \U with four hex digits.
  // A lone surrogate from \U is not representable in UTF-8 and fails the parse.
  bool appendEscape(std::string& out) {
    const char c = current();
    ++at_;
    if (c >= '0' && c <= '7') {
      unsigned value = static_cast<unsigned>(c - '0');
      for (int i = 0; i < 2 && !atEnd() && current() >= '0' && current() <= '7'; ++i, ++at_)
        value = value * 8 + static_cast<unsigned>(current() - '0');
      appendUtf8(out, value & 0xFF);  // the NeXTSTEP code page, approximated by Latin-1
      return true;
    }
    if (c == 'U') {
      char32_t value = 0;
      for (int i = 0; i < 4 && !atEnd() && hexDigit(current()) >= 0; ++i, ++at_)
        value = value * 16 + static_cast<char32_t>(hexDigit(current()));
      if (value >= 0xD800 && value <= 0xDFFF) return false;
      appendUtf8(out, value);
      return true;
    }
    switch (c) {
      case 'a':
        out.push_back('\a');
        break;
      case 'b':
        out.push_back('\b');
        break;
      case 'f':
        out.push_back('\f');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'v':
        out.push_back('\v');
        break;
      default:
        out.push_back(c);
        break;
    }
    return true;
  }

  std::optional<host::Value> parseData() {
    host::Data data;
    while (!atEnd() && current() != '>') {
      const char c = current();
      if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
        ++at_;
        continue;
      }
      if (at_ + 1 >= text_.size()) return std::nullopt;
      const int high = hexDigit(c), low = hexDigit(text_[at_ + 1]);
      if (high < 0 || low < 0) return std::nullopt;
      data.bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
      at_ += 2;
    }
    if (atEnd()) return std::nullopt;
    ++at_;
    return host::Value(std::move(data));
  }

  // Elements separated by commas; a trailing comma is allowed.
  std::optional<host::Value> parseArray(std::size_t depth) {
    host::Array array;
    if (!skipSpaceAndComments()) return std::nullopt;
    while (current() != ')') {
      auto element = parseObject(depth);
      if (!element) return std::nullopt;
      array.push_back(std::move(*element));
      if (!skipSpaceAndComments()) return std::nullopt;
      if (current() == ',') {
        ++at_;
        if (!skipSpaceAndComments()) return std::nullopt;
      } else if (current() != ')') {
        return std::nullopt;
      }
    }
    ++at_;
    return host::Value(std::move(array));
  }

  // "key = value;" entries, each ending in a semicolon; "key;" alone maps the key to itself.
  std::optional<host::Value> parseDictionary(std::size_t depth) {
    host::Dictionary dictionary;
    if (!skipSpaceAndComments()) return std::nullopt;
    while (current() != '}') {
      auto key = parseString();
      if (!key || !skipSpaceAndComments()) return std::nullopt;
      std::optional<host::Value> value;
      if (current() == ';') {
        value = host::Value(*key);
      } else if (current() == '=') {
        ++at_;
        value = parseObject(depth);
        if (!value || !skipSpaceAndComments()) return std::nullopt;
      }
      if (!value || current() != ';') return std::nullopt;
      ++at_;
      dictionary.insert_or_assign(std::move(*key), std::move(*value));
      if (!skipSpaceAndComments()) return std::nullopt;
    }
    ++at_;
    // Made in place: destroying a moved-from temporary Value here makes g++ 12 at -O3 report a
    // false -Wmaybe-uninitialized inside std::variant.
    return std::optional<host::Value>(std::in_place, std::move(dictionary));
  }

  std::string_view text_;
  std::size_t maxDepth_;
  std::size_t at_ = 0;
};

}  // namespace

std::optional<host::Value> parseOpenStepPropertyList(std::string_view text, std::size_t maxDepth) {
  return OpenStepParser(text, maxDepth).parseDocument();
}

}  // namespace sim
