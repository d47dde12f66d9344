// Scenario line lexer.
#include "simulator/lexer.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace nimsim {
namespace {

bool isWordStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '/' || c == '@';
}

// A minus sign before a letter starts a word, such as the temperature -inf.
bool isNegatedWord(std::string_view s, std::size_t i) {
  return s[i] == '-' && i + 1 < s.size() && std::isalpha(static_cast<unsigned char>(s[i + 1]));
}

bool isWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '/' || c == '.' ||
         c == ':' || c == '-' || c == '+' || c == '[' || c == ']' || c == ',' || c == '@';
}

bool isNumberStart(std::string_view s, std::size_t i) {
  char c = s[i];
  if (std::isdigit(static_cast<unsigned char>(c))) return true;
  if ((c == '-' || c == '+' || c == '.') && i + 1 < s.size()) {
    char n = s[i + 1];
    if (std::isdigit(static_cast<unsigned char>(n))) return true;
    if (n == '.' && c != '.' && i + 2 < s.size())
      return std::isdigit(static_cast<unsigned char>(s[i + 2]));
  }
  return false;
}

// The longest prefix of s at i that reads as a decimal number; its length, or 0.
std::size_t scanNumber(std::string_view s, std::size_t i) {
  std::size_t j = i;
  if (j < s.size() && (s[j] == '-' || s[j] == '+')) ++j;
  bool digits = false;
  while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j, digits = true;
  if (j < s.size() && s[j] == '.') {
    ++j;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j, digits = true;
  }
  if (!digits) return 0;
  if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
    std::size_t k = j + 1;
    if (k < s.size() && (s[k] == '-' || s[k] == '+')) ++k;
    if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
      while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
      j = k;
    }
  }
  return j - i;
}

std::optional<double> toDouble(std::string_view text) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<double> unitSeconds(std::string_view unit) {
  if (unit == "ms") return 0.001;
  if (unit == "s") return 1;
  if (unit == "m") return 60;
  if (unit == "h") return 3600;
  if (unit == "d") return 86400;
  return std::nullopt;
}

// A character as a message shows it: itself when printable, else its byte value, so that
// junk in a file does not reach the terminal.
std::string shown(char c) {
  if (std::isprint(static_cast<unsigned char>(c))) return std::string("'") + c + "'";
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "byte 0x%02x", static_cast<unsigned char>(c));
  return buffer;
}

class Lexer {
 public:
  explicit Lexer(std::string_view line) : s_(line) {}

  LexResult run() {
    while (i_ < s_.size()) {
      char c = s_[i_];
      if (c == ' ' || c == '\t' || c == '\r') {
        ++i_;
      } else if (c == '#') {
        break;
      } else if (c == '"') {
        if (!lexString()) break;
      } else if (isNumberStart(s_, i_)) {
        if (!lexNumberLike()) break;
      } else if (isWordStart(c) || isNegatedWord(s_, i_)) {
        lexWord();
      } else if (!lexOperator()) {
        fail(column(), "unexpected character " + shown(c));
        break;
      }
    }
    return std::move(result_);
  }

 private:
  int column() const { return static_cast<int>(i_) + 1; }
  void fail(int col, std::string message) { result_.errors.push_back({col, std::move(message)}); }
  void push(TokenKind kind, std::string text, int col, double number = 0, double second = 0) {
    result_.tokens.push_back({kind, std::move(text), number, second, col});
  }

  bool lexString() {
    int col = column();
    std::string text;
    ++i_;
    while (i_ < s_.size() && s_[i_] != '"') {
      char c = s_[i_++];
      if (c != '\\') {
        text += c;
        continue;
      }
      if (i_ >= s_.size()) break;
      char e = s_[i_++];
      if (e == 'n')
        text += '\n';
      else if (e == 't')
        text += '\t';
      else if (e == '"' || e == '\\')
        text += e;
      else {
        fail(static_cast<int>(i_) - 1,
             "unknown escape in a string: a backslash before " + shown(e));
        return false;
      }
    }
    if (i_ >= s_.size()) {
      fail(col, "a string that is not closed: expected '\"' before the end of the line");
      return false;
    }
    ++i_;
    push(TokenKind::string, std::move(text), col);
    return true;
  }

  bool lexNumberLike() {
    int col = column();
    std::size_t start = i_;
    std::size_t len = scanNumber(s_, i_);
    std::optional<double> value = toDouble(s_.substr(i_, len));
    if (!value) {
      fail(col, "a number out of range: '" + std::string(s_.substr(i_, len)) + "'");
      return false;
    }
    i_ += len;
    if (i_ < s_.size() && s_[i_] == 'x' && i_ + 1 < s_.size() &&
        std::isdigit(static_cast<unsigned char>(s_[i_ + 1]))) {
      ++i_;
      std::size_t len2 = scanNumber(s_, i_);
      std::optional<double> h = toDouble(s_.substr(i_, len2));
      i_ += len2;
      if (!h || endsInWord()) return badWord(col, start, "a size like 375x667");
      push(TokenKind::size, std::string(s_.substr(start, i_ - start)), col, *value, *h);
      return true;
    }
    if (i_ < s_.size() && std::isalpha(static_cast<unsigned char>(s_[i_]))) {
      std::size_t u = i_;
      while (i_ < s_.size() && std::isalpha(static_cast<unsigned char>(s_[i_]))) ++i_;
      std::optional<double> unit = unitSeconds(s_.substr(u, i_ - u));
      if (!unit || endsInWord())
        return badWord(col, start, "a number, or a duration with a unit ms, s, m, h or d");
      double seconds = *value * *unit;
      if (!std::isfinite(seconds)) {
        fail(col, "a duration out of range: '" + std::string(s_.substr(start, i_ - start)) + "'");
        return false;
      }
      push(TokenKind::duration, std::string(s_.substr(start, i_ - start)), col, seconds);
      return true;
    }
    if (endsInWord()) return badWord(col, start, "a number");
    push(TokenKind::number, std::string(s_.substr(start, i_ - start)), col, *value);
    return true;
  }

  bool endsInWord() const { return i_ < s_.size() && isWordChar(s_[i_]) && s_[i_] != ','; }

  bool badWord(int col, std::size_t start, const std::string& expected) {
    std::size_t end = i_;
    while (end < s_.size() && isWordChar(s_[end])) ++end;
    fail(col,
         "expected " + expected + ", found '" + std::string(s_.substr(start, end - start)) + "'");
    return false;
  }

  void lexWord() {
    int col = column();
    std::size_t start = i_;
    while (i_ < s_.size() && isWordChar(s_[i_])) ++i_;
    push(TokenKind::word, std::string(s_.substr(start, i_ - start)), col);
  }

  bool lexOperator() {
    int col = column();
    std::string_view rest = s_.substr(i_);
    for (std::string_view op : {"==", "!=", "<=", ">=", "~="}) {
      if (rest.substr(0, 2) == op) {
        i_ += 2;
        push(TokenKind::op, std::string(op), col);
        return true;
      }
    }
    if (rest[0] == '<' || rest[0] == '>') {
      ++i_;
      push(TokenKind::op, std::string(1, rest[0]), col);
      return true;
    }
    if (rest[0] == '=') {
      ++i_;
      push(TokenKind::equals, "=", col);
      return true;
    }
    return false;
  }

  std::string_view s_;
  std::size_t i_ = 0;
  LexResult result_;
};

}  // namespace

LexResult lexLine(std::string_view line) { return Lexer(line).run(); }

std::string describe(const Token& token) {
  switch (token.kind) {
    case TokenKind::word:
      return "'" + token.text + "'";
    case TokenKind::number:
      return "the number " + token.text;
    case TokenKind::duration:
      return "the duration " + token.text;
    case TokenKind::size:
      return "the size " + token.text;
    case TokenKind::string:
      return "the string \"" + token.text + "\"";
    case TokenKind::equals:
      return "'='";
    case TokenKind::op:
      return "'" + token.text + "'";
  }
  return "'" + token.text + "'";
}

}  // namespace nimsim
