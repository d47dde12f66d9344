// Evaluation of `expect` lines.
#include "simulator/expect.h"

#include <cmath>
#include <sstream>

namespace nimsim {
namespace {

using nlohmann::json;

std::string stepText(const PathStep& step) {
  if (auto key = std::get_if<std::string>(&step)) return *key;
  // Appended, not "[" + ...: g++ 12 at -O3 reports a false -Wrestrict in operator+.
  return std::string("[").append(std::to_string(std::get<std::size_t>(step))).append("]");
}

std::string prefixText(const std::vector<PathStep>& steps, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    bool index = std::holds_alternative<std::size_t>(steps[i]);
    if (i && !index) out += ".";
    out += stepText(steps[i]);
  }
  return out;
}

// `.length` on a list, object or string is its size.
std::optional<json> lengthOf(const json& value) {
  if (value.is_array() || value.is_object()) return json(value.size());
  if (value.is_string()) return json(value.get<std::string>().size());
  return std::nullopt;
}

struct Lookup {
  std::optional<json> value;
  std::string why;  // when there is no value
};

Lookup lookUp(const json& root, const std::vector<PathStep>& steps) {
  const json* at = &root;
  std::optional<json> computed;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    std::string where = prefixText(steps, i);
    if (auto key = std::get_if<std::string>(&steps[i])) {
      if (at->is_object() && at->contains(*key)) {
        at = &(*at)[*key];
        continue;
      }
      if (*key == "length" && i + 1 == steps.size()) {
        if (auto n = lengthOf(*at)) return {n, ""};
      }
      if (at->is_null() && i > 0) return {std::nullopt, "'" + where + "' is null"};
      if (!at->is_object())
        return {std::nullopt, "'" + (where.empty() ? std::string("the snapshot") : where) +
                                  "' is " + compactJson(*at, 60) + ", which has no '" + *key + "'"};
      return {std::nullopt,
              "no '" + *key + "' in '" + (where.empty() ? "the snapshot" : where) + "'"};
    }
    std::size_t index = std::get<std::size_t>(steps[i]);
    if (!at->is_array()) return {std::nullopt, "'" + where + "' is not a list"};
    if (index >= at->size())
      return {std::nullopt, "'" + where + "' has " + std::to_string(at->size()) + " elements"};
    at = &(*at)[index];
  }
  return {*at, ""};
}

bool close(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

bool equalTo(const json& actual, const Arg& expected) {
  switch (expected.kind) {
    case TokenKind::number:
    case TokenKind::duration:
      return actual.is_number() && close(actual.get<double>(), expected.number,
                                         1e-9 * std::fmax(1.0, std::fabs(expected.number)));
    case TokenKind::string:
      return actual.is_string() && actual.get<std::string>() == expected.text;
    case TokenKind::word:
      if (expected.text == "null" || expected.text == "none") return actual.is_null();
      return actual.is_boolean() && actual.get<bool>() == (expected.text == "true");
    default:
      return false;
  }
}

bool containsText(const json& actual, const std::string& text) {
  if (actual.is_string()) return actual.get<std::string>().find(text) != std::string::npos;
  if (actual.is_array())
    for (const json& element : actual)
      if (element.is_string() && element.get<std::string>().find(text) != std::string::npos)
        return true;
  // A dictionary, such as `files`: within any of its keys.
  if (actual.is_object())
    for (const auto& item : actual.items())
      if (item.key().find(text) != std::string::npos) return true;
  return false;
}

bool holds(const json& actual, const std::string& op, const Arg& expected) {
  if (op == "==") return equalTo(actual, expected);
  if (op == "!=") return !equalTo(actual, expected);
  if (op == "contains") return containsText(actual, expected.text);
  if (op == "excludes") return !containsText(actual, expected.text);
  if (!actual.is_number()) return false;
  double a = actual.get<double>(), b = expected.number;
  if (op == "~=") return close(a, b, 0.001);
  if (op == "<") return a < b;
  if (op == "<=") return a <= b;
  if (op == ">") return a > b;
  if (op == ">=") return a >= b;
  return false;
}

std::string expectedText(const Arg& a) {
  if (a.kind == TokenKind::string) return compactJson(json(a.text));
  if (a.kind == TokenKind::duration) return compactJson(json(a.number));
  return a.text;
}

}  // namespace

std::optional<std::vector<PathStep>> splitPath(const std::string& path) {
  std::vector<PathStep> steps;
  std::size_t i = 0;
  while (i < path.size()) {
    if (path[i] == '[') {
      std::size_t close = path.find(']', i);
      if (close == std::string::npos || close == i + 1) return std::nullopt;
      std::string inside = path.substr(i + 1, close - i - 1);
      bool digits = inside.find_first_not_of("0123456789") == std::string::npos;
      if (digits && inside.size() < 10)
        steps.emplace_back(std::stoul(inside));
      else
        steps.emplace_back(inside);
      i = close + 1;
      if (i < path.size() && path[i] != '.' && path[i] != '[') return std::nullopt;
      if (i < path.size() && path[i] == '.') {
        ++i;
        if (i == path.size()) return std::nullopt;
      }
      continue;
    }
    std::size_t end = path.find_first_of(".[", i);
    std::string key = path.substr(i, end == std::string::npos ? std::string::npos : end - i);
    if (key.empty()) return std::nullopt;
    steps.emplace_back(key);
    i = end == std::string::npos ? path.size() : end;
    if (i < path.size() && path[i] == '.') {
      ++i;
      if (i == path.size()) return std::nullopt;
    }
  }
  if (steps.empty()) return std::nullopt;
  return steps;
}

namespace {

// Two snapshot values alike by the rules of ==: numbers within 1e-9 of their size.
bool sameValue(const json& a, const json& b) {
  if (a.is_number() && b.is_number()) {
    const double x = a.get<double>(), y = b.get<double>();
    return close(x, y, 1e-9 * std::fmax(1.0, std::fabs(y)));
  }
  return a == b;
}

// `PATH in LIST` / `PATH not in LIST`, both paths into the snapshot.
ExpectOutcome evaluateMembership(const Statement& statement, const json& snapshot) {
  const std::string& op = statement.args[1].text;
  const std::string& listPath = statement.args[2].text;
  ExpectOutcome outcome;
  outcome.expected = op + " " + listPath;
  auto steps = splitPath(statement.args[0].text);
  auto listSteps = splitPath(listPath);
  if (!steps || !listSteps) {
    outcome.actual = "a malformed path";
    return outcome;
  }
  Lookup element = lookUp(snapshot, *steps);
  if (!element.value) {
    outcome.actual = "no value: " + element.why;
    return outcome;
  }
  Lookup list = lookUp(snapshot, *listSteps);
  if (!list.value) {
    outcome.actual = "no list: " + list.why;
    return outcome;
  }
  if (!list.value->is_array()) {
    outcome.actual = "'" + listPath + "' is " + compactJson(*list.value, 60) + ", not a list";
    return outcome;
  }
  bool found = false;
  for (const json& item : *list.value) found = found || sameValue(*element.value, item);
  outcome.actual = compactJson(*element.value) + (found ? " is in " : " is not in ") +
                   compactJson(*list.value, 200);
  outcome.held = found == (op == "in");
  return outcome;
}

}  // namespace

ExpectOutcome evaluateExpect(const Statement& statement, const json& snapshot) {
  const Arg& path = statement.args[0];
  const std::string& op = statement.args[1].text;
  if (op == "in" || op == "not in") return evaluateMembership(statement, snapshot);
  const Arg& expected = statement.args[2];
  ExpectOutcome outcome;
  outcome.expected = op + " " + expectedText(expected);
  auto steps = splitPath(path.text);
  if (!steps) {
    outcome.actual = "a malformed path";
    return outcome;
  }
  Lookup found = lookUp(snapshot, *steps);
  if (!found.value) {
    outcome.actual = "no value: " + found.why;
    return outcome;
  }
  outcome.actual = compactJson(*found.value);
  outcome.held = holds(*found.value, op, expected);
  return outcome;
}

std::string compactJson(const json& value, std::size_t limit) {
  std::string text = value.dump(-1, ' ', false, json::error_handler_t::replace);
  if (text.size() > limit) text = text.substr(0, limit) + "...";
  return text;
}

}  // namespace nimsim
