// `expect` lines: a path into the observation snapshot, compared with a written value.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "simulator/script.h"

namespace nimsim {

// One step of a path: a key of an object, or an index of a list.
using PathStep = std::variant<std::string, std::size_t>;

// "a.b[0].c" or "files[/path/with.dots].key"; none for a malformed path.
std::optional<std::vector<PathStep>> splitPath(const std::string& path);

struct ExpectOutcome {
  bool held = false;
  std::string expected;  // the written value, as text
  std::string actual;    // what was found, as compact JSON, or why nothing was found
};

// Evaluates an `expect PATH OP VALUE` statement against a snapshot.
ExpectOutcome evaluateExpect(const Statement& statement, const nlohmann::json& snapshot);

// Compact JSON that never throws on bad UTF-8 and stays short.
std::string compactJson(const nlohmann::json& value, std::size_t limit = 300);

}  // namespace nimsim
