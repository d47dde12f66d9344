// Splits one scenario line into tokens, each with the column it starts at.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace nimsim {

enum class TokenKind {
  word,      // a bare word: command keywords, names, paths, dotted observation paths
  number,    // 42, -1.5, 1e3
  duration,  // a number with a unit: 250ms, 30s, 5m, 2h, 1d
  size,      // two numbers joined by x: 375x667
  string,    // "double-quoted", with \" \\ \n \t escapes
  equals,    // the = of key=value
  op,        // == != < <= > >= ~=
};

struct Token {
  TokenKind kind = TokenKind::word;
  std::string text;   // the word, the unquoted string, the operator, or the source text
  double number = 0;  // number: its value; duration: seconds; size: width
  double second = 0;  // size: height
  int column = 1;     // 1-based, in bytes
};

// A lexing failure at a column of the line.
struct LexError {
  int column = 1;
  std::string message;
};

struct LexResult {
  std::vector<Token> tokens;
  std::vector<LexError> errors;  // empty when the line lexed cleanly
};

// Tokens of one line; a # outside a string starts a comment that runs to the end of the line.
LexResult lexLine(std::string_view line);

// A readable name of the token kind, for "expected ..." messages.
std::string describe(const Token& token);

}  // namespace nimsim
