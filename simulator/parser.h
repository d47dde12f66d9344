// Parses a whole scenario before anything runs; every malformed line is reported.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "simulator/script.h"

namespace nimsim {

struct ParseError {
  std::string file;
  int line = 0;
  int column = 1;
  std::string message;

  // file:line:column: error: message
  std::string format() const;
};

struct ParseResult {
  Script script;
  std::vector<ParseError> errors;
  bool ok() const { return errors.empty(); }
};

// Parses scenario text. `file` names it in messages.
ParseResult parseScenario(std::string_view text, const std::string& file);

}  // namespace nimsim
