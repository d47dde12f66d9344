// A parsed scenario: statements with their arguments, each remembering where it was written.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "simulator/command.h"
#include "simulator/lexer.h"

namespace nimsim {

// One argument as written: the token it came from, checked against the command's grammar.
struct Arg {
  TokenKind kind = TokenKind::word;
  std::string text;   // word or string text; for numbers, durations and sizes the source text
  double number = 0;  // number, duration in seconds, or size width
  double second = 0;  // size height
  bool flag = false;  // yes/no arguments
  int column = 1;
};

struct Statement {
  int line = 0;
  int column = 1;
  Command id = Command::note;
  std::string command;                 // the keywords, joined by one space: "settings set"
  std::vector<Arg> args;               // positional arguments in order
  std::map<std::string, Arg> options;  // key=value arguments
  std::string source;                  // the line as written, without its comment

  const Arg* option(const std::string& key) const {
    auto found = options.find(key);
    return found == options.end() ? nullptr : &found->second;
  }
};

struct Script {
  std::string file;  // for messages: the file name, or "<default>"
  std::vector<Statement> statements;
};

}  // namespace nimsim
